// The module and its class factory, as a host sees them.
#include "TorvikHost.h"

#include "vst3sdk/pluginterfaces/vst/ivstunits.h"

#include "support/LoadedLibrary.h"

#include <cstring>

namespace torvik::testing {
namespace {

using namespace Steinberg;

TEST(Factory, FactoryAndClassInformation) {
    auto module = TorvikModule();
    ASSERT_NE(module, nullptr);
    const hostkit::FactoryInfo factory = module->factoryInfo();
    EXPECT_EQ(factory.vendor, "Quellmark");
    EXPECT_EQ(factory.flags, 0x10);
    EXPECT_FALSE(factory.url.empty());
    EXPECT_FALSE(factory.email.empty());

    ASSERT_EQ(module->classes().size(), 1u);
    const hostkit::ClassInfo& info = module->classes()[0];
    EXPECT_EQ(info.category, "Audio Module Class");
    EXPECT_EQ(info.name, "TORVIK");
    EXPECT_EQ(info.cardinality, 0x7FFFFFFF);
    EXPECT_EQ(info.classFlags, 2u);
    EXPECT_EQ(info.subCategories, "Fx");
    EXPECT_EQ(info.vendor, "");
    EXPECT_EQ(info.version, "1.0.0");
    EXPECT_EQ(info.sdkVersion, "VST 3.6.12");
    EXPECT_TRUE(info.hasInfo2);
    EXPECT_TRUE(info.hasInfoUnicode);
    // The text form is the same on every platform.
    EXPECT_EQ(info.cid.toString(), "F2AEE70D00DE4F4E51656C6D54525631");
#if defined(_WIN32)
    // On Windows the bytes are a COM GUID: the first three fields little-endian.
    const unsigned char expected[16] = {0x0D, 0xE7, 0xAE, 0xF2, 0xDE, 0x00, 0x4E, 0x4F,
                                        0x51, 0x65, 0x6C, 0x6D, 0x54, 0x52, 0x56, 0x31};
#else
    // On Linux the bytes are the words in order.
    const unsigned char expected[16] = {0xF2, 0xAE, 0xE7, 0x0D, 0x00, 0xDE, 0x4F, 0x4E,
                                        0x51, 0x65, 0x6C, 0x6D, 0x54, 0x52, 0x56, 0x31};
#endif
    EXPECT_EQ(std::memcmp(info.cid.toTUID(), expected, 16), 0);
}

TEST(Factory, CreatesOnlyItsOwnClassAndAnswersEveryInterface) {
    auto module = TorvikModule();
    ASSERT_NE(module, nullptr);
    EXPECT_FALSE(module->create<Vst::IComponent>(FUID(1, 2, 3, 4)));

    auto component = module->create<Vst::IComponent>(module->classes()[0].cid);
    ASSERT_TRUE(component);
    const TUID* wanted[] = {&Vst::IAudioProcessor::iid,  &Vst::IEditController::iid,
                            &Vst::IEditController2::iid, &Vst::IUnitInfo::iid,
                            &IPluginBase::iid,           &FUnknown::iid};
    for (const TUID* iid : wanted) {
        FUnknown* obj = nullptr;
        ASSERT_EQ(component->queryInterface(*iid, reinterpret_cast<void**>(&obj)), kResultOk);
        ASSERT_NE(obj, nullptr);
        obj->release();
    }
    // One object as component and controller: the connection point stays hidden.
    void* point = reinterpret_cast<void*>(1);
    EXPECT_EQ(component->queryInterface(Vst::IConnectionPoint::iid, &point), kNoInterface);
    // Every reference handed out was given back: ours is the last.
    component->addRef();
    EXPECT_EQ(component->release(), 1u);
}

TEST(Factory, GetPluginFactorySharesOneFactoryAndExportsOnlyEntryPoints) {
    auto module = TorvikModule();
    ASSERT_NE(module, nullptr);
    // The module is loaded already: this only takes another reference to it.
    const LoadedLibrary library(hostkit::Module::BinaryPathInBundle(TORVIK_BUNDLE_PATH));
    ASSERT_TRUE(library.IsOpen());
    using GetFactory = IPluginFactory* (*)();
    auto get = reinterpret_cast<GetFactory>(library.Symbol("GetPluginFactory"));
    ASSERT_NE(get, nullptr);
    IPluginFactory* a = get();
    IPluginFactory* b = get();
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, module->factory());
    b->release();
    a->release();
    for (const char* name : kEntryPoints)
        EXPECT_NE(library.Symbol(name), nullptr) << name;
    for (const char* name : {"InitDll", "ExitDll"})
        EXPECT_NE(library.Symbol(name), nullptr) << name;
    // Nothing of the implementation leaks out of the module.
    EXPECT_EQ(library.Symbol("_ZN6torvik6TORVIKC1Ev"), nullptr);
}

} // namespace
} // namespace torvik::testing
