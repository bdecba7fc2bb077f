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
};

} // namespace torvik
