// The standard factory, FObject counting and the component base, in process.
#include "vst3sdk/helpers/componentbase.h"
#include "vst3sdk/helpers/fuid.h"
#include "vst3sdk/helpers/moduleentry.h"
#include "vst3sdk/helpers/pluginfactory.h"
#include "vst3sdk/helpers/pluginview.h"
#include "vst3sdk/helpers/ustring.h"
#include "vst3sdk/pluginterfaces/vst/ivstaudioprocessor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

int liveObjects = 0;

/** A minimal object for the factory to make. */
class Probe : public FObject {
public:
    Probe() { ++liveObjects; }
    ~Probe() override { --liveObjects; }
    static FUnknown* create(void*) { return static_cast<IDependent*>(new Probe()); }
    static FUnknown* createNothing(void*) { return nullptr; }
};

const FUID kProbeId(0x11111111, 0x22222222, 0x33333333, 0x44444444);
const FUID kOtherId(0x55555555, 0x66666666, 0x77777777, 0x88888888);

CPluginFactory* makeFactory() {
    auto* factory = new CPluginFactory(makeFactoryInfo("Maker", "https://maker.invalid", "a@b.c"));
    const PClassInfo2 info =
        makeClassInfo2(kProbeId.toTUID(), PClassInfo::kManyInstances, kVstAudioEffectClass, "Probe",
                       kSimpleModeSupported, "Fx|Dynamics", "Vendor", "1.0.0", kVstVersionString);
    EXPECT_TRUE(factory->registerClass(&info, Probe::create));
    PClassInfoW wide;
    std::memset(&wide, 0, sizeof wide);
    kOtherId.toTUID(wide.cid);
    copyToFixed(wide.name, u"Wide \u00E9", PClassInfoW::kNameSize);
    EXPECT_TRUE(factory->registerClass(&wide, Probe::createNothing));
    return factory;
}

} // namespace

TEST(PluginFactory, ClassInformationIn8BitAndUnicode) {
    CPluginFactory* factory = makeFactory();
    EXPECT_EQ(factory->countClasses(), 2);

    PFactoryInfo finfo;
    EXPECT_EQ(factory->getFactoryInfo(&finfo), kResultOk);
    EXPECT_STREQ(finfo.vendor, "Maker");
    EXPECT_EQ(finfo.flags, PFactoryInfo::kUnicode);
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kResultOk);

    PClassInfo info;
    ASSERT_EQ(factory->getClassInfo(0, &info), kResultOk);
    EXPECT_STREQ(info.name, "Probe");
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);

    PClassInfoW w;
    ASSERT_EQ(factory->getClassInfoUnicode(0, &w), kResultOk);
    EXPECT_EQ(toUtf8(w.name), "Probe");
    EXPECT_EQ(toUtf8(w.sdkVersion), "VST 3.6.12");
    EXPECT_STREQ(w.subCategories, "Fx|Dynamics");
    EXPECT_EQ(w.classFlags, static_cast<uint32>(kSimpleModeSupported));

    // A Unicode-only entry has no 8-bit form.
    PClassInfo2 info2;
    std::memset(&info2, 0x7F, sizeof info2);
    EXPECT_EQ(factory->getClassInfo2(1, &info2), kResultFalse);
    EXPECT_EQ(info2.name[0], 0);
    ASSERT_EQ(factory->getClassInfoUnicode(1, &w), kResultOk);
    EXPECT_EQ(toUtf8(w.name), "Wide \xC3\xA9");

    for (int32 bad : {-1, 2}) {
        EXPECT_EQ(factory->getClassInfo(bad, &info), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfo2(bad, &info2), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfoUnicode(bad, &w), kInvalidArgument);
    }
    EXPECT_EQ(factory->getClassInfo(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->release(), 0u);
}

TEST(PluginFactory, CreateInstanceMatchesClassAndInterface) {
    CPluginFactory* factory = makeFactory();
    void* obj = reinterpret_cast<void*>(0x1);

    ASSERT_EQ(factory->createInstance(kProbeId.toTUID(), FUnknown::iid, &obj), kResultOk);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(liveObjects, 1);
    // The caller holds the only reference.
    EXPECT_EQ(static_cast<FUnknown*>(obj)->release(), 0u);
    EXPECT_EQ(liveObjects, 0);

    struct Case {
        const char* what;
        const TUID& cid;
        const TUID& iid;
    };
    const FUID unknownId(0x1, 0x2, 0x3, 0x4);
    const Case refusals[] = {
        {"unknown class", unknownId.toTUID(), FUnknown::iid},
        {"unknown interface", kProbeId.toTUID(), IAudioProcessor::iid},
        {"creation gives nothing", kOtherId.toTUID(), FUnknown::iid},
    };
    for (const Case& c : refusals) {
        obj = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(factory->createInstance(c.cid, c.iid, &obj), kNoInterface) << c.what;
        EXPECT_EQ(obj, nullptr) << c.what;
        EXPECT_EQ(liveObjects, 0) << c.what;
    }
    EXPECT_EQ(factory->createInstance(nullptr, FUnknown::iid, &obj), kNoInterface);
    EXPECT_EQ(factory->release(), 0u);
}

TEST(PluginFactory, AnswersItsInterfacesAndSharedFactoryIsReused) {
    CPluginFactory* factory = makeFactory();
    for (const TUID* iid :
         {&IPluginFactory::iid, &IPluginFactory2::iid, &IPluginFactory3::iid, &FUnknown::iid}) {
        void* obj = nullptr;
        ASSERT_EQ(factory->queryInterface(*iid, &obj), kResultOk);
        EXPECT_EQ(obj, static_cast<IPluginFactory3*>(factory));
        factory->release();
    }
    void* obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->queryInterface(IAudioProcessor::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(factory->setHostContext(nullptr), kNotImplemented);
    factory->release();

    // The module's shared factory: the same object while referenced, a fresh one afterwards.
    int registrations = 0;
    static int* counter = nullptr;
    counter = &registrations;
    auto registerOne = [](CPluginFactory&) { ++*counter; };
    const PFactoryInfo info = makeFactoryInfo("M", "", "", 0);
    IPluginFactory* a = getOrCreatePluginFactory(info, registerOne);
    IPluginFactory* b = getOrCreatePluginFactory(info, registerOne);
    EXPECT_EQ(a, b);
    EXPECT_EQ(registrations, 1);
    PFactoryInfo got;
    a->getFactoryInfo(&got);
    EXPECT_EQ(got.flags, PFactoryInfo::kUnicode); // always added
    EXPECT_EQ(b->release(), 1u);
    EXPECT_EQ(a->release(), 0u);
    EXPECT_EQ(CPluginFactory::current(), nullptr);
    IPluginFactory* c = getOrCreatePluginFactory(info, registerOne);
    EXPECT_EQ(registrations, 2);
    c->release();
}

TEST(ModuleEntryCounter, OnlyFirstEntryAndLastExitWork) {
    ModuleEntryCounter counter;
    bool ok = true;
    EXPECT_TRUE(counter.enter());
    EXPECT_FALSE(counter.enter());
    EXPECT_FALSE(counter.exit(ok));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(counter.exit(ok));
    EXPECT_TRUE(ok);
    EXPECT_FALSE(counter.exit(ok)); // unbalanced
    EXPECT_FALSE(ok);
}

TEST(FObject, CountsQueriesAndInModuleCasts) {
    auto* object = new Probe();
    EXPECT_EQ(object->getRefCount(), 1);
    void* obj = nullptr;
    ASSERT_EQ(object->queryInterface(IDependent::iid, &obj), kResultOk);
    EXPECT_EQ(object->getRefCount(), 2);
    ASSERT_EQ(object->queryInterface(FObject::objectIID(), &obj), kResultOk);
    EXPECT_EQ(obj, static_cast<FObject*>(object));
    obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(object->queryInterface(IPluginBase::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(object->queryInterface(FUnknown::iid, nullptr), kInvalidArgument);
    EXPECT_EQ(object->release(), 2u);
    EXPECT_EQ(object->release(), 1u);
    EXPECT_TRUE(object->isTypeOf("FObject"));
    EXPECT_EQ(FCast<CPluginView>(object), nullptr);
    EXPECT_EQ(object->release(), 0u);
    EXPECT_EQ(liveObjects, 0);
}

namespace {
/** A connection peer that records disconnects. */
class Peer : public ComponentBase {
public:
    int disconnects = 0;
    tresult PLUGIN_API disconnect(IConnectionPoint* other) override {
        ++disconnects;
        return ComponentBase::disconnect(other);
    }
};
} // namespace

TEST(ComponentBase, InitializeOnceConnectAndTerminateDropsEverything) {
    auto* host = new Probe();
    auto* component = new ComponentBase();
    auto* peer = new Peer();

    EXPECT_EQ(component->initialize(host), kResultOk);
    EXPECT_EQ(host->getRefCount(), 2);
    EXPECT_EQ(component->initialize(host), kResultFalse);
    EXPECT_EQ(component->getHostContext(), host);

    EXPECT_EQ(component->connect(nullptr), kInvalidArgument);
    EXPECT_EQ(component->connect(peer), kResultOk);
    EXPECT_EQ(component->connect(peer), kResultFalse);
    EXPECT_EQ(peer->getRefCount(), 2);
    EXPECT_EQ(component->disconnect(nullptr), kResultFalse);

    EXPECT_EQ(component->notify(nullptr), kInvalidArgument);
    EXPECT_EQ(component->terminate(), kResultOk);
    EXPECT_EQ(peer->disconnects, 1); // told the peer
    EXPECT_EQ(peer->getRefCount(), 1);
    EXPECT_EQ(host->getRefCount(), 1);
    EXPECT_EQ(component->getHostContext(), nullptr);
    // No allocation possible without a host application.
    EXPECT_EQ(component->allocateMessage(), nullptr);
    EXPECT_EQ(component->sendTextMessage("hi"), kResultFalse);

    // A first initialize with null does not block a later real one.
    EXPECT_EQ(component->initialize(nullptr), kResultOk);
    EXPECT_EQ(component->initialize(host), kResultOk);
    component->terminate();

    EXPECT_EQ(component->release(), 0u);
    EXPECT_EQ(peer->release(), 0u);
    EXPECT_EQ(host->release(), 0u);
}

TEST(CPluginView, DefaultAnswers) {
    const ViewRect initial(0, 0, 640, 480);
    auto* view = new CPluginView(&initial);
    ViewRect r;
    EXPECT_EQ(view->getSize(nullptr), kInvalidArgument);
    ASSERT_EQ(view->getSize(&r), kResultTrue);
    EXPECT_EQ(r.getWidth(), 640);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kNotImplemented);
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(0x1234), "anything"), kResultOk);
    EXPECT_TRUE(view->isAttached());
    EXPECT_EQ(view->getSystemWindow(), reinterpret_cast<void*>(0x1234));
    ViewRect bigger(0, 0, 800, 600);
    EXPECT_EQ(view->onSize(&bigger), kResultTrue);
    EXPECT_EQ(view->onSize(nullptr), kResultTrue);
    view->getSize(&r);
    EXPECT_EQ(r.getHeight(), 600);
    for (tresult answer : {view->onWheel(1), view->onKeyDown(u'a', 0, 0), view->onKeyUp(u'a', 0, 0),
                           view->onFocus(1), view->canResize(), view->checkSizeConstraint(&r)})
        EXPECT_EQ(answer, kResultFalse);
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_FALSE(view->isAttached());
    void* obj = nullptr;
    ASSERT_EQ(view->queryInterface(IPlugView::iid, &obj), kResultOk);
    EXPECT_EQ(obj, static_cast<IPlugView*>(view));
    view->release();
    EXPECT_EQ(view->release(), 0u);
}
