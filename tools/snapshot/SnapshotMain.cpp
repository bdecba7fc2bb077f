// torvik-snapshot: builds a TORVIK instance, sets parameters and meter levels,
// draws the whole editor into its back buffer and writes it as a PNG.
#include "SnapshotOptions.h"

#include "graphics/DrawContext.h"
#include "graphics/PngEncode.h"
#include "processor/Torvik.h"

#include <cstdio>
#include <mutex>

using namespace torvik;

namespace {

int Render(TORVIK& plug, int argc, char** argv) {
    SnapshotOptions options;
    std::string error;
    if (!ParseSnapshotOptions(argc, argv, plug, options, error)) {
        std::fprintf(stderr, "torvik-snapshot: %s\n%s", error.c_str(), SnapshotUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(SnapshotUsage(), stdout);
        return 0;
    }
    auto* editor = dynamic_cast<IDrawContext*>(plug.Graphics());
    if (!editor) {
        std::fprintf(stderr, "torvik-snapshot: the plug-in has no editor\n");
        return 1;
    }
    {
        std::lock_guard guard(plug.Mutex());
        for (const ParamSetting& s : options.params) {
            IParamRecord* param = plug.ParamAt(s.index);
            param->SetFromNormalised(s.normalised);
            plug.HandleParamChange(s.index);
            editor->ApplyParamToControls(s.index, param->GetNormalised());
        }
        const MeterControlIndices& m = plug.MeterControls();
        const int meterControls[5] = {m.pre, m.main, m.deEss, m.gate, m.comp};
        for (const MeterSetting& s : options.meters)
            editor->SetControlValueFromPlug(meterControls[s.meter], s.value);
    }
    editor->SetScale(options.scale);
    editor->DrawRegion(Rect{0, 0, editor->Width(), editor->Height()});
    PIX_SysBitmap* picture = editor->DrawBitmap();
    if (!picture || !EncodePngFile(options.output.c_str(), *picture)) {
        std::fprintf(stderr, "torvik-snapshot: cannot write %s\n", options.output.c_str());
        return 1;
    }
    std::printf("%s: %d x %d\n", options.output.c_str(), picture->Width(), picture->Height());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    auto* plug = new TORVIK();
    const int result = Render(*plug, argc, argv);
    plug->release();
    return result;
}
