#include "processor/EditorLayout.h"

#include "graphics/BitmapControl.h"
#include "graphics/DrawContext.h"
#include "graphics/KnobControl.h"
#include "graphics/SwitchControl.h"
#include "processor/Parameters.h"

namespace torvik {

namespace {

using K = ControlKind;

// clang-format off
constexpr ControlLayout kLayout[] = {
    // kind          image                      x     y   parameter
    {K::Background,   images::kBG,               0,    0, -1},
    {K::Knob,         images::kGAINPRE,         88,  258, kPreampGain},
    {K::Knob,         images::kHPFPRE,          88,  380, kPreampHpf},
    {K::Switch,       images::kBYPASSPRE,      107,  205, kPreampBypass},
    {K::Switch,       images::kPADPRE,          39,  225, kPreampPad},
    {K::Switch,       images::kPHASEPRE,       169,  223, kPreampPhase},
    {K::Switch,       images::kHPFINPRE,        39,  342, kPreampHpfSwitch},
    {K::Switch,       images::kMICPRE,         170,  342, kPreampMic},
    {K::Switch,       images::kLOPRE,           38,  473, kPreampLowBoost},
    {K::Switch,       images::kHIPRE,          170,  474, kPreampHighBoost},
    {K::Switch,       images::kXFMRPRE,        104,  509, kPreampTransformer},
    {K::Knob,         images::kINPUTMAIN,     1033,  259, kMainInput},
    {K::Knob,         images::kOUTPUTMAIN,    1032,  381, kMainOutput},
    {K::Switch,       images::kBYPASSMAIN,    1052,  481, kMainBypass},
    {K::Knob,         images::kRELDES,         277,  381, kDeEsserRelease},
    {K::Knob,         images::kTHRDES,         277,  259, kDeEsserThreshold},
    {K::Knob,         images::kMIXDES,         277,  486, kDeEsserMix},
    {K::Switch,       images::kBYPASSDES,      294,  204, kDeEsserBypass},
    {K::Switch,       images::kBANDDES,        229,  343, kDeEsserBand},
    {K::Switch,       images::kSOFTDES,        359,  341, kDeEsserSoft},
    {K::Knob,         images::kMIXGATE,        466,  485, kGateMix},
    {K::Knob,         images::kRELGATE,        466,  380, kGateRelease},
    {K::Knob,         images::kTHRGATE,        466,  258, kGateThreshold},
    {K::Switch,       images::kBYPASSGATE,     481,  205, kGateBypass},
    {K::Switch,       images::kATKGATE,        417,  341, kGateFastAttack},
    {K::Knob,         images::kLGEQ,           654,  485, kLowGain},
    {K::Knob,         images::kLMFEQ,          610,  384, kLowMidFreq},
    {K::Knob,         images::kLMGEQ,          700,  334, kLowMidGain},
    {K::Knob,         images::kHMFEQ,          610,  250, kHighMidFreq},
    {K::Knob,         images::kHMGEQ,          700,  200, kHighMidGain},
    {K::Knob,         images::kHGEQ,           655,  102, kHighGain},
    {K::Switch,       images::kBYPASSEQ,       718,  431, kEqBypass},
    {K::Knob,         images::kTHRCOMP,        844,  258, kCompThreshold},
    {K::Knob,         images::kRATIOCOMP,      844,  381, kCompRatio},
    {K::Knob,         images::kMIXCOMP,        843,  485, kCompMix},
    {K::Switch,       images::kBYPASSCOMP,     860,  204, kCompBypass},
    {K::Switch,       images::kATKCOMP,        796,  223, kCompFastAttack},
    {K::Switch,       images::kRELCOMP,        925,  223, kCompAutoRelease},
    {K::Switch,       images::kEXTSCCOMP,      924,  340, kCompExternalSidechain},
    {K::Switch,       images::kINTSCCOMP,      795,  341, kCompSidechainHpf},
    {K::Meter,        images::kMETERPRE,        40,   97, -1},
    {K::Meter,        images::kMETERMAIN,      983,   95, -1},
    {K::Meter,        images::kMETERDES,       228,   93, -1},
    {K::Meter,        images::kMETERGATE,      426,  103, -1},
    {K::Meter,        images::kMETERCOMP,      805,  103, -1},
};
// clang-format on

// The strip of one control; a strip that failed to load keeps the size the
// layout expects, so the control still sits where it belongs.
BitmapRef LoadStrip(IDrawContext& context, const ControlLayout& row) {
    BitmapRef ref = context.LoadBitmapRef(row.bitmapId, row.name, row.frames);
    if (!ref.bitmap) {
        ref.width = row.bitmapWidth;
        ref.height = row.bitmapHeight;
    }
    return ref;
}

} // namespace

std::span<const ControlLayout> TorvikEditorLayout() {
    return kLayout;
}

MeterControlIndices BuildTorvikEditor(IEditorHost& plug, IDrawContext& context) {
    MeterControlIndices meters;
    int* meterSlots[] = {&meters.pre, &meters.main, &meters.deEss, &meters.gate, &meters.comp};
    int meterCount = 0;
    for (const ControlLayout& row : kLayout) {
        if (row.kind == K::Background) {
            // Put in front of everything, so it is drawn first.
            const BitmapRef ref = LoadStrip(context, row);
            auto* background = new IBitmapControl(&plug, row.x, row.y, -1, ref, BlendOpaque);
            context.InsertBackground(background);
            continue;
        }
        const BitmapRef strip = LoadStrip(context, row);
        IControl* control = nullptr;
        switch (row.kind) {
        case K::Knob:
            control = new IKnobStripControl(&plug, row.x, row.y, row.paramIndex, strip,
                                            kKnobVertical, 4.0);
            break;
        case K::Switch:
            control = new ISwitchControl(&plug, row.x, row.y, row.paramIndex, strip, BlendNone);
            break;
        case K::Meter:
        default:
            control = new IBitmapControl(&plug, row.x, row.y, strip);
            break;
        }
        const int index = context.AttachControl(control);
        if (row.kind == K::Meter && meterCount < 5)
            *meterSlots[meterCount++] = index;
    }
    // Every knob shows its name and value while the pointer is on it.
    context.SetValueReadout(true);
    return meters;
}

} // namespace torvik
