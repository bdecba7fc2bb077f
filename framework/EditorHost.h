#pragma once
// What the editor needs of the plug-in it edits, and no more: the parameter
// records (ranges and value texts), the instance lock, the three steps of an
// edit, the host's parameter menu and a resize of the editor. The plug-in base
// implements it; the editor never learns which plug-in format it runs in.
#include "framework/RecursiveLock.h"

namespace torvik {

class IEditorGraphics;
class IParamRecord;

class IEditorHost {
public:
    virtual ~IEditorHost() = default;

    // The record of a parameter, or none for an index out of range.
    virtual IParamRecord* ParamAt(int index) = 0;
    virtual const IParamRecord* ParamAt(int index) const = 0;
    // The editor graphics attached to the plug-in, or none.
    virtual IEditorGraphics* Graphics() const = 0;
    // The instance lock: controls fed by index from the processing thread
    // must not change under it.
    virtual RecursiveLock& Mutex() = 0;

    // An edit: a gesture begins, values are set (each tells the host and the
    // processor), the gesture ends.
    virtual void BeginHostEdit(int index) = 0;
    virtual void SetParameterFromEditor(int index, double normalised) = 0;
    virtual void EndHostEdit(int index) = 0;

    // Whether a right-button press on a control opens the host's menu for its
    // parameter rather than the editor's own value entry.
    virtual bool HostOffersParamMenu() const { return false; }
    // True when the host showed its menu; false when it has none to show.
    virtual bool ShowHostParamMenu(int /*index*/, int /*x*/, int /*y*/) { return false; }

    // The name the editor's per-user settings are kept under; empty for none.
    virtual const char* SettingsName() const { return ""; }

    // The editor changed its size; the host is asked to follow.
    virtual void ResizeEditor(int width, int height) = 0;
    // Whether the host resizes its own windows around the editor after
    // ResizeEditor; when not, the editor grows its parents itself.
    virtual bool HostResizesEditorWindow() const { return false; }
};

} // namespace torvik
