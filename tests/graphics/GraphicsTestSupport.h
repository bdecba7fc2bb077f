#pragma once
// A plug-in base that records what the editor tells the host, a control that
// records what the graphics context asks of it, and solid-colour film strips.
#include "framework/EffectBase.h"
#include "graphics/BitmapCache.h"
#include "graphics/Control.h"
#include "graphics/DrawContext.h"
#include "graphics/HeadlessDrawContext.h"

#include <cstdint>
#include <string>
#include <vector>

namespace torvik::testing {

class RecordingPlug final : public IEffectBase {
public:
    static constexpr PluginFacts kFacts{.effectName = "Recorder",
                                        .channelConfig = "2-2",
                                        .parameterCount = 40,
                                        .editorWidth = 100,
                                        .editorHeight = 80,
                                        .editorFps = 25};

    struct Event {
        char kind; // 'b'egin, 'p'erform, 'e'nd, 'm'enu
        int index;
        double value;
        bool operator==(const Event&) const = default;
    };

    RecordingPlug() : IEffectBase(kFacts) {
        // 0: continuous -30..30 default 0; 1: continuous 0..100 default 25;
        // 2: switch default 0.
        ParamAt(0)->DefineContinuous("Gain", 0.0, -30.0, 30.0, 0.01, "dB");
        ParamAt(1)->DefineContinuous("Amount", 25.0, 0.0, 100.0, 0.01, "%");
        ParamAt(2)->DefineStepped("Switch", 0, 0, 1);
    }

    void BeginHostEdit(int index) override { events.push_back({'b', index, 0.0}); }
    void InformHostEdit(int index, double normalised) override {
        events.push_back({'p', index, normalised});
    }
    void EndHostEdit(int index) override { events.push_back({'e', index, 0.0}); }
    bool HostOffersParamMenu() const override { return true; }
    bool ShowHostParamMenu(int index, int x, int y) override {
        events.push_back({'m', index, x * 1000.0 + y});
        return true;
    }
    void ResizeEditor(int width, int height) override {
        resizedWidth = width;
        resizedHeight = height;
    }

    std::vector<Event> events;
    int resizedWidth = 0;
    int resizedHeight = 0;
};

// Counts what the context does with it; draws nothing.
class ProbeControl final : public IControl {
public:
    ProbeControl(IEffectBase* plug, const Rect& rect, int paramIndex = -1)
        : IControl(plug, rect, paramIndex) {}

    bool Render(IDrawContext&) override {
        ++renders;
        return true;
    }
    void OnPress(int x, int y, const MouseMods& mods) override {
        ++presses;
        IControl::OnPress(x, y, mods);
    }
    void OnRelease(int, int, const MouseMods&) override { ++releases; }
    void OnDrag(int, int, int dX, int dY, const MouseMods&) override { drags.push_back({dX, dY}); }
    void OnWheel(int, int, const MouseMods&, int notches) override { wheel += notches; }
    bool OnKey(int, int, int key) override {
        keys.push_back(key);
        return takesKeys;
    }
    void OnHover(int, int, const MouseMods&) override { ++hovers; }
    void OnLeave() override { ++leaves; }

    int renders = 0;
    int presses = 0;
    int releases = 0;
    int hovers = 0;
    int leaves = 0;
    int wheel = 0;
    bool takesKeys = true;
    std::vector<std::pair<int, int>> drags;
    std::vector<int> keys;
};

// 0xFF000000 + frame index * 0x010203 + 0x000010: a distinct opaque colour per frame.
inline std::uint32_t FrameColour(int frame) {
    return 0xFF000010u + static_cast<std::uint32_t>(frame) * 0x010203u;
}

// A vertical strip of frames of frameWidth x frameHeight, each a solid FrameColour.
inline PIX_IBitmap* MakeStrip(int frameWidth, int frameHeight, int frames) {
    auto* bitmap = new PIX_MemBitmap();
    bitmap->Resize(frameWidth, frameHeight * frames);
    for (int y = 0; y < frameHeight * frames; ++y)
        for (int x = 0; x < frameWidth; ++x)
            BitmapRow(*bitmap, y)[x] = FrameColour(y / frameHeight);
    return bitmap;
}

// Loader for a headless context: strips by resource ID, counting the loads.
struct StripLoader {
    struct Strip {
        int id;
        int frameWidth;
        int frameHeight;
        int frames;
    };
    std::vector<Strip> strips;
    int* loads;

    PIX_IBitmap* operator()(int id, const char*) const {
        ++*loads;
        for (const Strip& s : strips)
            if (s.id == id)
                return MakeStrip(s.frameWidth, s.frameHeight, s.frames);
        return nullptr;
    }
};

} // namespace torvik::testing
