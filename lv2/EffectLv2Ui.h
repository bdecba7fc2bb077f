#pragma once
// The LV2 editor binding: the plug-in base as an LV2 X11 UI. It reaches the
// plug-in only through ports, as a host may run it in another process: edits
// are written to the control ports in real units (with touch gestures when the
// host offers them), port events move the controls and the meters. The host's
// idle calls drive the editor window; it has no thread of its own.
#include "framework/EffectBase.h"
#include "lv2/Lv2Identity.h"

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace torvik {

class IEffectLv2Ui : public IEffectBase {
public:
    explicit IEffectLv2Ui(const PluginFacts& facts);
    ~IEffectLv2Ui() override;

    // Takes the host's callbacks and features and opens the editor inside the
    // host's parent window. meterControls: the editor's control of each meter
    // port, in port order. False refuses the UI (no parent, no editor).
    bool Instantiate(LV2UI_Write_Function writeFunction, LV2UI_Controller hostController,
                     const LV2_Feature* const* features, std::span<const int> meterControls);
    // The editor's X11 window ID, as LV2UI_Widget.
    void* Widget() const { return window; }
    // A control port's value (format 0, one float) from the host.
    void PortEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                   const void* buffer);
    // The host's idle call: the window's waiting events, and a redraw of what
    // changed once a frame falls due (25 per second). Always 0: the host owns
    // the window the editor sits in.
    int Idle();
    // Closes the editor window; the instance can then be destroyed.
    void CloseEditor();

    void BeginHostEdit(int index) override;
    void InformHostEdit(int index, double normalised) override;
    void EndHostEdit(int index) override;
    void ResizeEditor(int width, int height) override;
    bool HostResizesEditorWindow() const override { return resize != nullptr; }

    static const LV2UI_Idle_Interface kIdleInterface;

private:
    // Takes the host's scale factor from its options, when it tells one.
    void TakeScaleOption(const LV2_Feature* const* features);

    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    const LV2UI_Touch* touch = nullptr;                // none: the host takes no gestures
    const LV2UI_Resize* resize = nullptr;              // none: the host's window keeps its size
    void* window = nullptr;                            // the editor's window while open
    std::vector<int> meters;                           // control index of each meter port
    std::vector<bool> held;                            // per parameter: the user holds its control
    std::chrono::steady_clock::time_point nextFrame{}; // when the next redraw falls due
};

} // namespace torvik
