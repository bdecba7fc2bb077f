// The binding asks the host for its name at initialisation.
#include "hostkit/HostApplication.h"
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

namespace torvik::testing {
namespace {

using namespace Steinberg;

TEST(BindingHostIdentification, NameFromTheHostContext) {
    const struct {
        std::u16string name;
        int code;
    } cases[] = {{u"Cubase Pro 10.5", 3},
                 {u"REAPER64", 1},
                 {u"VST3PluginTestHost", 27},
                 {u"Ardour 7.3", 28},
                 {u"Bitwig Studio", 0},
                 {u"\u0152REAPER", 1} /* a non-ASCII unit narrows to its low byte */};
    for (const auto& c : cases) {
        TestTorvik plugin;
        EXPECT_EQ(plugin.QueryHost(), -1);
        auto host = owned(new hostkit::HostApplication(c.name));
        EXPECT_EQ(plugin.initialize(static_cast<Steinberg::Vst::IHostApplication*>(host.get())),
                  kResultOk);
        EXPECT_EQ(plugin.QueryHost(), c.code);
        EXPECT_EQ(plugin.HostVersion(), 0);
        plugin.terminate();
    }
    // Without a host context the host stays unknown.
    TestTorvik plugin;
    EXPECT_EQ(plugin.initialize(nullptr), kResultOk);
    EXPECT_EQ(plugin.QueryHost(), -1);
    plugin.terminate();
}

TEST(BindingHostIdentification, SecondInitializeIsRefusedButIdentifiesAgain) {
    TestTorvik plugin;
    auto first = owned(new hostkit::HostApplication(u"Renoise"));
    auto second = owned(new hostkit::HostApplication(u"OpenMPT"));
    EXPECT_EQ(plugin.initialize(static_cast<Steinberg::Vst::IHostApplication*>(first.get())),
              kResultOk);
    const int parameters = plugin.getParameterCount();
    EXPECT_EQ(plugin.initialize(static_cast<Steinberg::Vst::IHostApplication*>(second.get())),
              kResultFalse);
    EXPECT_EQ(plugin.QueryHost(), 30);
    EXPECT_EQ(plugin.getParameterCount(), parameters);
    plugin.terminate();
    EXPECT_EQ(plugin.getParameterCount(), 0);
}

} // namespace
} // namespace torvik::testing
