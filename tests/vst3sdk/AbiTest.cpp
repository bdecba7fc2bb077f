// Binary facts of the layer: interface IDs, vtable slots, result codes, constants.
#include "vst3sdk/helpers/fuid.h"
#include "vst3sdk/pluginterfaces/vst3.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

std::string hex(const TUID id) {
    std::string text;
    char buf[4];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(static_cast<uint8_t>(id[i])));
        text += buf;
    }
    return text;
}

} // namespace

// The two published test vectors of the four-word to byte conversion.
TEST(InterfaceIds, MatchPublishedByteVectors) {
#if defined(_WIN32)
    EXPECT_EQ(hex(IComponent::iid), "31FF31E8D5F20143928EBBEE25697802");
#else
    EXPECT_EQ(hex(IComponent::iid), "E831FF31F2D54301928EBBEE25697802");
#endif
    EXPECT_EQ(hex(FUnknown::iid), "0000000000000000C000000000000046");
}

// Every IID, as its four words, read back through FUID; catches a typo in any declaration.
TEST(InterfaceIds, EveryInterfaceHasItsWords) {
    struct Case {
        const char* name;
        const TUID& iid;
        uint32 l1, l2, l3, l4;
    };
    const Case cases[] = {
        {"FUnknown", FUnknown::iid, 0x00000000, 0x00000000, 0xC0000000, 0x00000046},
        {"IPluginBase", IPluginBase::iid, 0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625},
        {"IPluginFactory", IPluginFactory::iid, 0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F},
        {"IPluginFactory2", IPluginFactory2::iid, 0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB},
        {"IPluginFactory3", IPluginFactory3::iid, 0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931},
        {"IBStream", IBStream::iid, 0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B},
        {"IDependent", IDependent::iid, 0xF52B7AAE, 0xDE72416D, 0x8AF18ACE, 0x9DD7BD5E},
        {"IComponent", IComponent::iid, 0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802},
        {"IAudioProcessor", IAudioProcessor::iid, 0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D},
        {"IProcessContextRequirements", IProcessContextRequirements::iid, 0x2A654303, 0xEF764E3D,
         0x95B5FE83, 0x730EF6D0},
        {"IEditController", IEditController::iid, 0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E},
        {"IEditController2", IEditController2::iid, 0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038},
        {"IComponentHandler", IComponentHandler::iid, 0x93A0BEA3, 0x0BD045DB, 0x8E890B0C,
         0xC1E46AC6},
        {"IComponentHandler2", IComponentHandler2::iid, 0xF040B4B3, 0xA36045EC, 0xABCDC045,
         0xB4D5A2CC},
        {"IComponentHandler3", IComponentHandler3::iid, 0x69F11617, 0xD26B400D, 0xA4B6B964,
         0x7B6EBBAB},
        {"IContextMenu", IContextMenu::iid, 0x2E93C863, 0x0C9C4588, 0x97DBECF5, 0xAD17817D},
        {"IContextMenuTarget", IContextMenuTarget::iid, 0x3CDF2E75, 0x85D34144, 0xBF86D36B,
         0xD7C4894D},
        {"IUnitInfo", IUnitInfo::iid, 0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1},
        {"IConnectionPoint", IConnectionPoint::iid, 0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1},
        {"IMessage", IMessage::iid, 0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613},
        {"IAttributeList", IAttributeList::iid, 0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4},
        {"IHostApplication", IHostApplication::iid, 0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5},
        {"IParameterChanges", IParameterChanges::iid, 0xA4779663, 0x0BB64A56, 0xB44384A8,
         0x466FEB9D},
        {"IParamValueQueue", IParamValueQueue::iid, 0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA},
        {"IEventList", IEventList::iid, 0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44},
        {"IPlugView", IPlugView::iid, 0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29},
        {"IPlugFrame", IPlugFrame::iid, 0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3},
        {"IRunLoop", Linux::IRunLoop::iid, 0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389},
        {"IEventHandler", Linux::IEventHandler::iid, 0x561E65C9, 0x13A0496F, 0x813A2C35,
         0x654D7983},
        {"ITimerHandler", Linux::ITimerHandler::iid, 0x10BDD94F, 0x41424774, 0x821FAD8F,
         0xECA72CA9},
    };
    for (const Case& c : cases) {
        const FUID id(c.iid);
        EXPECT_EQ(id.getLong1(), c.l1) << c.name;
        EXPECT_EQ(id.getLong2(), c.l2) << c.name;
        EXPECT_EQ(id.getLong3(), c.l3) << c.name;
        EXPECT_EQ(id.getLong4(), c.l4) << c.name;
        EXPECT_TRUE(FUID(c.l1, c.l2, c.l3, c.l4) == id) << c.name;
    }
}

TEST(InterfaceIds, TextFormPrintsTheWords) {
    const FUID torvik(0xF2AEE70D, 0x00DE4F4E, 0x51656C6D, 0x54525631);
    EXPECT_EQ(torvik.toString(), "F2AEE70D00DE4F4E51656C6D54525631");
    const auto parsed = FUID::fromString("f2aee70d00de4f4e51656c6d54525631");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(*parsed == torvik);
    EXPECT_FALSE(FUID::fromString("F2AEE70D00DE4F4E51656C6D5452563").has_value());
    EXPECT_FALSE(FUID::fromString("G2AEE70D00DE4F4E51656C6D54525631").has_value());
#if !defined(_WIN32)
    // Kept as words, the Linux bytes are the words big-endian.
    EXPECT_EQ(hex(torvik.toTUID()), "F2AEE70D00DE4F4E51656C6D54525631");
#endif
}

#if defined(__GNUC__) && !defined(_WIN32)
// Itanium C++ ABI: a pointer to a virtual member function stores 1 + the byte offset of its
// vtable slot. Reading it gives the slot without calling anything.
template <class C, class R, class... A> int slotOf(R (PLUGIN_API C::*method)(A...)) {
    struct Representation {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    } rep;
    static_assert(sizeof(method) == sizeof(Representation));
    std::memcpy(&rep, &method, sizeof rep);
    return static_cast<int>((rep.ptr - 1) / sizeof(void*));
}

TEST(VtableSlots, FollowTheAbiOrder) {
    struct Case {
        const char* name;
        int actual;
        int expected;
    };
    const Case cases[] = {
        {"queryInterface", slotOf(&FUnknown::queryInterface), 0},
        {"addRef", slotOf(&FUnknown::addRef), 1},
        {"release", slotOf(&FUnknown::release), 2},
        {"initialize", slotOf(&IPluginBase::initialize), 3},
        {"terminate", slotOf(&IPluginBase::terminate), 4},
        {"getFactoryInfo", slotOf(&IPluginFactory::getFactoryInfo), 3},
        {"countClasses", slotOf(&IPluginFactory::countClasses), 4},
        {"getClassInfo", slotOf(&IPluginFactory::getClassInfo), 5},
        {"createInstance", slotOf(&IPluginFactory::createInstance), 6},
        {"getClassInfo2", slotOf(&IPluginFactory2::getClassInfo2), 7},
        {"getClassInfoUnicode", slotOf(&IPluginFactory3::getClassInfoUnicode), 8},
        {"setHostContext", slotOf(&IPluginFactory3::setHostContext), 9},
        {"getControllerClassId", slotOf(&IComponent::getControllerClassId), 5},
        {"setIoMode", slotOf(&IComponent::setIoMode), 6},
        {"getBusCount", slotOf(&IComponent::getBusCount), 7},
        {"getBusInfo", slotOf(&IComponent::getBusInfo), 8},
        {"getRoutingInfo", slotOf(&IComponent::getRoutingInfo), 9},
        {"activateBus", slotOf(&IComponent::activateBus), 10},
        {"setActive", slotOf(&IComponent::setActive), 11},
        {"IComponent::setState", slotOf(&IComponent::setState), 12},
        {"IComponent::getState", slotOf(&IComponent::getState), 13},
        {"setBusArrangements", slotOf(&IAudioProcessor::setBusArrangements), 3},
        {"getBusArrangement", slotOf(&IAudioProcessor::getBusArrangement), 4},
        {"canProcessSampleSize", slotOf(&IAudioProcessor::canProcessSampleSize), 5},
        {"getLatencySamples", slotOf(&IAudioProcessor::getLatencySamples), 6},
        {"setupProcessing", slotOf(&IAudioProcessor::setupProcessing), 7},
        {"setProcessing", slotOf(&IAudioProcessor::setProcessing), 8},
        {"process", slotOf(&IAudioProcessor::process), 9},
        {"getTailSamples", slotOf(&IAudioProcessor::getTailSamples), 10},
        {"setComponentState", slotOf(&IEditController::setComponentState), 5},
        {"IEditController::setState", slotOf(&IEditController::setState), 6},
        {"IEditController::getState", slotOf(&IEditController::getState), 7},
        {"getParameterCount", slotOf(&IEditController::getParameterCount), 8},
        {"getParameterInfo", slotOf(&IEditController::getParameterInfo), 9},
        {"getParamStringByValue", slotOf(&IEditController::getParamStringByValue), 10},
        {"getParamValueByString", slotOf(&IEditController::getParamValueByString), 11},
        {"normalizedParamToPlain", slotOf(&IEditController::normalizedParamToPlain), 12},
        {"plainParamToNormalized", slotOf(&IEditController::plainParamToNormalized), 13},
        {"getParamNormalized", slotOf(&IEditController::getParamNormalized), 14},
        {"setParamNormalized", slotOf(&IEditController::setParamNormalized), 15},
        {"setComponentHandler", slotOf(&IEditController::setComponentHandler), 16},
        {"createView", slotOf(&IEditController::createView), 17},
        {"setKnobMode", slotOf(&IEditController2::setKnobMode), 3},
        {"openAboutBox", slotOf(&IEditController2::openAboutBox), 5},
        {"getUnitCount", slotOf(&IUnitInfo::getUnitCount), 3},
        {"getProgramName", slotOf(&IUnitInfo::getProgramName), 7},
        {"getSelectedUnit", slotOf(&IUnitInfo::getSelectedUnit), 11},
        {"setUnitProgramData", slotOf(&IUnitInfo::setUnitProgramData), 14},
        {"isPlatformTypeSupported", slotOf(&IPlugView::isPlatformTypeSupported), 3},
        {"attached", slotOf(&IPlugView::attached), 4},
        {"removed", slotOf(&IPlugView::removed), 5},
        {"onWheel", slotOf(&IPlugView::onWheel), 6},
        {"onKeyDown", slotOf(&IPlugView::onKeyDown), 7},
        {"onKeyUp", slotOf(&IPlugView::onKeyUp), 8},
        {"getSize", slotOf(&IPlugView::getSize), 9},
        {"onSize", slotOf(&IPlugView::onSize), 10},
        {"onFocus", slotOf(&IPlugView::onFocus), 11},
        {"setFrame", slotOf(&IPlugView::setFrame), 12},
        {"canResize", slotOf(&IPlugView::canResize), 13},
        {"checkSizeConstraint", slotOf(&IPlugView::checkSizeConstraint), 14},
        {"resizeView", slotOf(&IPlugFrame::resizeView), 3},
        {"connect", slotOf(&IConnectionPoint::connect), 3},
        {"notify", slotOf(&IConnectionPoint::notify), 5},
        {"getMessageID", slotOf(&IMessage::getMessageID), 3},
        {"getAttributes", slotOf(&IMessage::getAttributes), 5},
        {"setInt", slotOf(&IAttributeList::setInt), 3},
        {"getString", slotOf(&IAttributeList::getString), 8},
        {"getBinary", slotOf(&IAttributeList::getBinary), 10},
        {"beginEdit", slotOf(&IComponentHandler::beginEdit), 3},
        {"restartComponent", slotOf(&IComponentHandler::restartComponent), 6},
        {"setDirty", slotOf(&IComponentHandler2::setDirty), 3},
        {"finishGroupEdit", slotOf(&IComponentHandler2::finishGroupEdit), 6},
        {"createContextMenu", slotOf(&IComponentHandler3::createContextMenu), 3},
        {"getItemCount", slotOf(&IContextMenu::getItemCount), 3},
        {"popup", slotOf(&IContextMenu::popup), 7},
        {"executeMenuItem", slotOf(&IContextMenuTarget::executeMenuItem), 3},
        {"getName", slotOf(&IHostApplication::getName), 3},
        {"IHostApplication::createInstance", slotOf(&IHostApplication::createInstance), 4},
        {"read", slotOf(&IBStream::read), 3},
        {"write", slotOf(&IBStream::write), 4},
        {"seek", slotOf(&IBStream::seek), 5},
        {"tell", slotOf(&IBStream::tell), 6},
        {"getParameterData", slotOf(&IParameterChanges::getParameterData), 4},
        {"addParameterData", slotOf(&IParameterChanges::addParameterData), 5},
        {"getParameterId", slotOf(&IParamValueQueue::getParameterId), 3},
        {"addPoint", slotOf(&IParamValueQueue::addPoint), 6},
        {"getEvent", slotOf(&IEventList::getEvent), 4},
        {"addEvent", slotOf(&IEventList::addEvent), 5},
        {"update", slotOf(&IDependent::update), 3},
        {"registerEventHandler", slotOf(&Linux::IRunLoop::registerEventHandler), 3},
        {"unregisterTimer", slotOf(&Linux::IRunLoop::unregisterTimer), 6},
        {"onFDIsSet", slotOf(&Linux::IEventHandler::onFDIsSet), 3},
        {"onTimer", slotOf(&Linux::ITimerHandler::onTimer), 3},
        {"getProcessContextRequirements",
         slotOf(&IProcessContextRequirements::getProcessContextRequirements), 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.name;
}
#endif

TEST(ResultCodes, MatchThePlatform) {
#if defined(_WIN32)
    EXPECT_EQ(kNoInterface, static_cast<tresult>(0x80004002));
    EXPECT_EQ(kNotImplemented, static_cast<tresult>(0x80004001));
#else
    const tresult codes[] = {kNoInterface,    kResultOk,      kResultFalse,    kInvalidArgument,
                             kNotImplemented, kInternalError, kNotInitialized, kOutOfMemory};
    const tresult expected[] = {-1, 0, 1, 2, 3, 4, 5, 6};
    for (size_t i = 0; i < std::size(codes); ++i)
        EXPECT_EQ(codes[i], expected[i]) << i;
#endif
    EXPECT_EQ(kResultTrue, kResultOk);
}

TEST(Constants, MatchTheAbi) {
    EXPECT_EQ(SpeakerArr::getChannelCount(SpeakerArr::k51), 6);
    EXPECT_EQ(SpeakerArr::getChannelCount(SpeakerArr::kMono), 1);
    EXPECT_EQ(ParameterInfo::kIsBypass, 0x10000);
    EXPECT_EQ(ParameterInfo::kIsProgramChange, 0x8000);
    EXPECT_EQ(kRoutingInfoChanged, 0x200);
    EXPECT_EQ(kInfiniteTail, 0xFFFFFFFFu);
    EXPECT_EQ(PFactoryInfo::kUnicode, 0x10);
    EXPECT_EQ(PClassInfo::kManyInstances, 0x7FFFFFFF);
    EXPECT_EQ(ProcessContext::kChordValid, 0x40000u);
    EXPECT_STREQ(kVstVersionString, "VST 3.6.12");
    EXPECT_STREQ(kPlatformTypeX11EmbedWindowID, "X11EmbedWindowID");
    // Interfaces carry nothing but their vtable pointer.
    EXPECT_EQ(sizeof(IComponent), sizeof(void*));
    EXPECT_EQ(sizeof(IEditController), sizeof(void*));
}
