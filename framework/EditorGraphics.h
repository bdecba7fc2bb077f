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
    // Creates the drawing surfaces when something shows the editor; until then
    // an instance holds none.
    virtual void PrepareDrawing() = 0;

    // The editor's windows: one for each view the host attaches, all showing
    // the one editor.
    virtual int EditorWidth() const { return 0; }
    virtual int EditorHeight() const { return 0; }
    // The editor's scale in percent (100 = its drawn size) and the size it
    // then takes on screen, in physical pixels. Setting an unsupported scale
    // does nothing; an open window takes the new size.
    virtual int EditorScalePercent() const { return 100; }
    virtual void SetEditorScalePercent(int /*percent*/) {}
    virtual int EditorPhysicalWidth() const { return EditorWidth(); }
    virtual int EditorPhysicalHeight() const { return EditorHeight(); }
    // Chooses the scale an editor opens at, when a host makes a view and no
    // window is open yet: the size the user chose from the editor's menu
    // (remembered per user), else, when no host gave a factor, the desktop's
    // scale at the first open.
    virtual void ChooseOpeningScale() {}
    // Takes the supported scale nearest to a host's factor (1.0 = 100 %);
    // false when the editor does not scale. A size the user chose stays.
    virtual bool SetEditorScaleFactor(double /*factor*/) { return false; }
    // Corrects a proposed physical size to the nearest size the editor can
    // take, in place; returns the scale (percent) of that size.
    virtual int SnapEditorSize(int& width, int& height) const {
        width = EditorWidth();
        height = EditorHeight();
        return 100;
    }
    // Milliseconds between two ticks of the editor's redraw timer; 0 for none.
    virtual int TimerIntervalMs() const { return 0; }
    // parent: the host's window (an HWND, or an X11 window ID carried in the
    // pointer). Opens a further editor window inside it and returns it the
    // same way, or none; windows opened earlier stay where they are.
    virtual void* OpenEditorWindow(void* /*parent*/) { return nullptr; }
    // Closes that one window, as OpenEditorWindow returned it; the others stay.
    virtual void CloseEditorWindow(void* /*window*/) {}
    // Where the platform has no event loop of its own (X11), the host's run loop
    // drives the windows: a file descriptor to watch for each window (-1 for
    // none), the handler for that window's events, and a timer tick at the
    // editor's frame rate that repaints every window.
    virtual int WindowEventFd(void* /*window*/) const { return -1; }
    virtual void OnWindowEvents(void* /*window*/) {}
    virtual void OnWindowTimer() {}
    // Opens typed value entry over the knob bound to paramIndex (the host's
    // "Enter value" menu item); false when no open window has such a knob.
    virtual bool StartValueEntry(int /*paramIndex*/) { return false; }
};

} // namespace torvik
