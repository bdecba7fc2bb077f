#pragma once
// What the plug-in core needs of an attached editor: pushing parameter and
// meter values into controls. The editor's graphics context implements it.

namespace torvik {

class IEditorGraphics {
public:
    virtual ~IEditorGraphics() = default;

    // Gives a normalised value to every control bound to paramIndex and to the
    // first matching auxiliary binding of every control.
    virtual void ApplyParamToControls(int paramIndex, double normalised) = 0;
    // As ApplyParamToControls, converting a real value with the parameter's
    // ToNormalised first when isNormalised is false.
    virtual void SetParamValueFromPlug(int paramIndex, double value, bool isNormalised) = 0;
    // Hands a value to one control by its index; out-of-range indices are ignored.
    virtual void SetControlValueFromPlug(int controlIndex, double normalised) = 0;
    // Number of controls in the editor's list.
    virtual int ControlCount() const = 0;
    // Creates the drawing surfaces.
    virtual void PrepareDrawing() = 0;

    // The editor window, opened by the plug-in's view inside a host window.
    virtual int EditorWidth() const { return 0; }
    virtual int EditorHeight() const { return 0; }
    // Milliseconds between two ticks of the editor's redraw timer; 0 for none.
    virtual int TimerIntervalMs() const { return 0; }
    // parent: the host's window (an HWND, or an X11 window ID carried in the pointer).
    // Returns the editor's own window the same way, or none.
    virtual void* OpenEditorWindow(void* /*parent*/) { return nullptr; }
    virtual void CloseEditorWindow() {}
    // Where the platform has no event loop of its own (X11), the host's run loop
    // drives the window: a file descriptor to watch (-1 for none), the handler
    // for its events, and a timer tick at the editor's frame rate.
    virtual int WindowEventFd() const { return -1; }
    virtual void OnWindowEvents() {}
    virtual void OnWindowTimer() {}
};

} // namespace torvik
