// The editor view the plug-in hands out, the host's frame around it, and the Linux run loop.
#pragma once

#include "vst3sdk/pluginterfaces/base/funknown.h"

#include <cstddef>

namespace Steinberg {

/** A rectangle in physical pixels (Windows, Linux). */
struct ViewRect {
    int32 left = 0;
    int32 top = 0;
    int32 right = 0;
    int32 bottom = 0;

    ViewRect() = default;
    ViewRect(int32 l, int32 t, int32 r, int32 b) : left(l), top(t), right(r), bottom(b) {}
    int32 getWidth() const { return right - left; }
    int32 getHeight() const { return bottom - top; }
};
static_assert(sizeof(ViewRect) == 16);
static_assert(offsetof(ViewRect, top) == 4 && offsetof(ViewRect, right) == 8 &&
              offsetof(ViewRect, bottom) == 12);

// Platform types for IPlugView::attached; compared byte for byte.
inline constexpr FIDString kPlatformTypeHWND = "HWND";
inline constexpr FIDString kPlatformTypeHIView = "HIView";
inline constexpr FIDString kPlatformTypeNSView = "NSView";
inline constexpr FIDString kPlatformTypeUIView = "UIView";
inline constexpr FIDString kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";

/** Modifier bits of onKeyDown/onKeyUp. */
enum KeyModifier : int16 {
    kShiftKey = 1 << 0,
    kAlternateKey = 1 << 1,
    kCommandKey = 1 << 2, ///< Ctrl on Windows
    kControlKey = 1 << 3,
};

class IPlugFrame;

/** The plug-in's editor view. */
class IPlugView : public FUnknown {
public:
    virtual tresult PLUGIN_API isPlatformTypeSupported(FIDString type) = 0;
    /** `parent` is the platform window (on Linux the XID carried in the pointer value). */
    virtual tresult PLUGIN_API attached(void* parent, FIDString type) = 0;
    virtual tresult PLUGIN_API removed() = 0;
    virtual tresult PLUGIN_API onWheel(float distance) = 0;
    virtual tresult PLUGIN_API onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult PLUGIN_API onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult PLUGIN_API getSize(ViewRect* size) = 0;
    virtual tresult PLUGIN_API onSize(ViewRect* newSize) = 0;
    virtual tresult PLUGIN_API onFocus(TBool state) = 0;
    virtual tresult PLUGIN_API setFrame(IPlugFrame* frame) = 0;
    virtual tresult PLUGIN_API canResize() = 0;
    virtual tresult PLUGIN_API checkSizeConstraint(ViewRect* rect) = 0;

    TORVIK_DECLARE_IID(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
    TORVIK_INTERFACE_DESTRUCTOR(IPlugView)
};

/** The host's frame around a view (host side). */
class IPlugFrame : public FUnknown {
public:
    virtual tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) = 0;

    TORVIK_DECLARE_IID(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
    TORVIK_INTERFACE_DESTRUCTOR(IPlugFrame)
};

/** Plug-in side, found on the view: the host tells the view its screen's scale. */
class IPlugViewContentScaleSupport : public FUnknown {
public:
    using ScaleFactor = float;
    /** kResultTrue when the view scales itself to the factor (1.0 = 100 %). */
    virtual tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) = 0;

    TORVIK_DECLARE_IID(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
    TORVIK_INTERFACE_DESTRUCTOR(IPlugViewContentScaleSupport)
};

namespace Linux {

using TimerInterval = uint64; ///< milliseconds
using FileDescriptor = int;   ///< POSIX file descriptor

/** Plug-in side: called by the host's loop when `fd` is readable. */
class IEventHandler : public FUnknown {
public:
    virtual void PLUGIN_API onFDIsSet(FileDescriptor fd) = 0;

    TORVIK_DECLARE_IID(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
    TORVIK_INTERFACE_DESTRUCTOR(IEventHandler)
};

/** Plug-in side: called by the host's loop on every timer period. */
class ITimerHandler : public FUnknown {
public:
    virtual void PLUGIN_API onTimer() = 0;

    TORVIK_DECLARE_IID(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
    TORVIK_INTERFACE_DESTRUCTOR(ITimerHandler)
};

/** Host side: the host's event loop, found by querying the IPlugFrame. */
class IRunLoop : public FUnknown {
public:
    virtual tresult PLUGIN_API registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
    virtual tresult PLUGIN_API unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult PLUGIN_API registerTimer(ITimerHandler* handler,
                                             TimerInterval milliseconds) = 0;
    virtual tresult PLUGIN_API unregisterTimer(ITimerHandler* handler) = 0;

    TORVIK_DECLARE_IID(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
    TORVIK_INTERFACE_DESTRUCTOR(IRunLoop)
};

} // namespace Linux
} // namespace Steinberg
