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
    // kind         id   file                                   frames  W     H      x     y    parameter
    {K::Background, 101, "resources/img/BG.png",                 1,   1186,   644,    0,    0, -1},
    {K::Knob,       107, "resources/img/GAINPRE.png",           61,     66,  3965,   88,  258, kPreampGain},
    {K::Knob,       110, "resources/img/HPFPRE.png",            61,     67,  4026,   88,  380, kPreampHpf},
    {K::Switch,     106, "resources/img/BYPASSPRE.png",          2,     31,    62,  107,  205, kPreampBypass},
    {K::Switch,     114, "resources/img/PADPRE.png",             2,     32,    64,   39,  225, kPreampPad},
    {K::Switch,     115, "resources/img/PHASEPRE.png",           2,     33,    66,  169,  223, kPreampPhase},
    {K::Switch,     109, "resources/img/HPFINPRE.png",           2,     32,    64,   39,  342, kPreampHpfSwitch},
    {K::Switch,     113, "resources/img/MICPRE.png",             2,     32,    64,  170,  342, kPreampMic},
    {K::Switch,     111, "resources/img/LOPRE.png",              2,     35,    64,   38,  473, kPreampLowBoost},
    {K::Switch,     108, "resources/img/HIPRE.png",              2,     31,    62,  170,  474, kPreampHighBoost},
    {K::Switch,     116, "resources/img/XFMRPRE.png",            2,     34,    68,  104,  509, kPreampTransformer},
    {K::Knob,       103, "resources/img/INPUTMAIN.png",         61,     64,  3904, 1033,  259, kMainInput},
    {K::Knob,       105, "resources/img/OUTPUTMAIN.png",        61,     66,  3904, 1032,  381, kMainOutput},
    {K::Switch,     102, "resources/img/BYPASSMAIN.png",         2,     26,    52, 1052,  481, kMainBypass},
    {K::Knob,       121, "resources/img/RELDES.png",            61,     66,  3904,  277,  381, kDeEsserRelease},
    {K::Knob,       123, "resources/img/THRDES.png",            61,     65,  3904,  277,  259, kDeEsserThreshold},
    {K::Knob,       120, "resources/img/MIXDES.png",            61,     66,  3965,  277,  486, kDeEsserMix},
    {K::Switch,     118, "resources/img/BYPASSDES.png",          2,     32,    64,  294,  204, kDeEsserBypass},
    {K::Switch,     117, "resources/img/BANDDES.png",            2,     31,    64,  229,  343, kDeEsserBand},
    {K::Switch,     122, "resources/img/SOFTDES.png",            2,     33,    64,  359,  341, kDeEsserSoft},
    {K::Knob,       127, "resources/img/MIXGATE.png",           61,     66,  3965,  466,  485, kGateMix},
    {K::Knob,       128, "resources/img/RELGATE.png",           61,     66,  3965,  466,  380, kGateRelease},
    {K::Knob,       129, "resources/img/THRGATE.png",           61,     66,  4026,  466,  258, kGateThreshold},
    {K::Switch,     125, "resources/img/BYPASSGATE.png",         2,     36,    64,  481,  205, kGateBypass},
    {K::Switch,     124, "resources/img/ATKGATE.png",            2,     34,    68,  417,  341, kGateFastAttack},
    {K::Knob,       130, "resources/img/LGEQ.png",              61,     68,  3965,  654,  485, kLowGain},
    {K::Knob,       131, "resources/img/LMFEQ.png",             61,     66,  4026,  610,  384, kLowMidFreq},
    {K::Knob,       132, "resources/img/LMGEQ.png",             61,     66,  4026,  700,  334, kLowMidGain},
    {K::Knob,       133, "resources/img/HMFEQ.png",             61,     66,  3965,  610,  250, kHighMidFreq},
    {K::Knob,       134, "resources/img/HMGEQ.png",             61,     66,  4026,  700,  200, kHighMidGain},
    {K::Knob,       135, "resources/img/HGEQ.png",              61,     66,  4026,  655,  102, kHighGain},
    {K::Switch,     136, "resources/img/BYPASSEQ.png",           2,     32,    66,  718,  431, kEqBypass},
    {K::Knob,       145, "resources/img/THRCOMP.png",           61,     65,  3965,  844,  258, kCompThreshold},
    {K::Knob,       143, "resources/img/RATIOCOMP.png",         61,     66,  3904,  844,  381, kCompRatio},
    {K::Knob,       142, "resources/img/MIXCOMP.png",           61,     68,  4026,  843,  485, kCompMix},
    {K::Switch,     146, "resources/img/BYPASSCOMP.png",         2,     34,    70,  860,  204, kCompBypass},
    {K::Switch,     137, "resources/img/ATKCOMP.png",            2,     32,    66,  796,  223, kCompFastAttack},
    {K::Switch,     144, "resources/img/RELCOMP.png",            2,     35,    68,  925,  223, kCompAutoRelease},
    {K::Switch,     139, "resources/img/EXTSCCOMP.png",          2,     36,    70,  924,  340, kCompExternalSidechain},
    {K::Switch,     140, "resources/img/INTSCCOMP.png",          2,     34,    68,  795,  341, kCompSidechainHpf},
    {K::Meter,      112, "resources/img/METERPRE.png",         121,    162,  9559,   40,   97, -1},
    {K::Meter,      104, "resources/img/METERMAIN.png",        121,    164,  9801,  983,   95, -1},
    {K::Meter,      119, "resources/img/METERDES.png",         121,    162, 10043,  228,   93, -1},
    {K::Meter,      126, "resources/img/METERGATE.png",        121,    146,  7986,  426,  103, -1},
    {K::Meter,      141, "resources/img/METERCOMP.png",        121,    144,  7986,  805,  103, -1},
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

MeterControlIndices BuildTorvikEditor(IEffectBase& plug, IDrawContext& context) {
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
    return meters;
}

} // namespace torvik
