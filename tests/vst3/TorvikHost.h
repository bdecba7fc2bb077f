#pragma once
// Loads the built TORVIK.vst3 through the host kit, once per test program.
#include "hostkit/hostkit.h"
#include "vst3/HostParamIds.h"
#include "vst3/Vst3Identity.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace torvik::testing {

inline Steinberg::FUID TorvikClassId() {
    return Steinberg::FUID(kClassIdWords[0], kClassIdWords[1], kClassIdWords[2], kClassIdWords[3]);
}

inline std::shared_ptr<hostkit::Module> TorvikModule() {
    static std::shared_ptr<hostkit::Module> module = [] {
        std::string error;
        auto loaded = hostkit::Module::Load(TORVIK_BUNDLE_PATH, &error);
        EXPECT_NE(loaded, nullptr) << error;
        return loaded;
    }();
    return module;
}

inline std::unique_ptr<hostkit::Instance> NewTorvik(const std::u16string& hostName = u"") {
    std::string error;
    Steinberg::IPtr<hostkit::HostApplication> host;
    if (!hostName.empty())
        host = Steinberg::owned(new hostkit::HostApplication(hostName));
    auto instance = hostkit::Instance::Create(TorvikModule(), TorvikClassId(), &error, host);
    EXPECT_NE(instance, nullptr) << error;
    return instance;
}

} // namespace torvik::testing
