#include "vst3/EffectVST3View.h"

#include "vst3/EffectVST3.h"

#include <algorithm>
#include <cstring>

namespace torvik {

using namespace Steinberg;

IEffectVST3View::IEffectVST3View(IEffectVST3* owner) : plugin(owner) {
    if (plugin)
        plugin->addRef();
}

IEffectVST3View::~IEffectVST3View() {
    StopRunLoop();
    if (plugin) {
        if (window && plugin->Graphics())
            plugin->Graphics()->CloseEditorWindow(window);
        plugin->ForgetView(this);
        plugin->release();
    }
}

tresult PLUGIN_API IEffectVST3View::isPlatformTypeSupported(FIDString type) {
    if (!plugin || !plugin->Graphics())
        return kResultFalse;
    return type && std::strcmp(type, kEditorPlatformType) == 0 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API IEffectVST3View::attached(void* parent, FIDString type) {
    IEditorGraphics* graphics = plugin ? plugin->Graphics() : nullptr;
    if (!graphics)
        return kResultFalse;
    if (type && std::strcmp(type, kEditorPlatformType) == 0 && !window) {
        window = graphics->OpenEditorWindow(parent);
        if (window)
            StartRunLoop();
    }
    plugin->OnEditorOpen();
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3View::removed() {
    if (plugin && plugin->Graphics()) {
        plugin->OnEditorClose();
        StopRunLoop();
        if (window)
            plugin->Graphics()->CloseEditorWindow(window);
        window = nullptr;
    }
    systemWindow = nullptr;
    removedFromParent();
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3View::getSize(ViewRect* size) {
    IEditorGraphics* graphics = plugin ? plugin->Graphics() : nullptr;
    if (!graphics)
        return kResultFalse;
    if (!size)
        return kInvalidArgument;
    const PluginFacts& facts = plugin->Facts();
    const int width =
        graphics->EditorWidth() > 0 ? graphics->EditorPhysicalWidth() : facts.editorWidth;
    const int height =
        graphics->EditorHeight() > 0 ? graphics->EditorPhysicalHeight() : facts.editorHeight;
    *size = ViewRect{0, 0, width, height};
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3View::onSize(ViewRect* newSize) {
    if (newSize) {
        rect = *newSize;
        if (expectingNewSize) {
            if (plugin)
                plugin->OnEditorResized();
            expectingNewSize = false;
        } else if (IEditorGraphics* graphics = plugin ? plugin->Graphics() : nullptr) {
            // The user dragged the host's window to one of the editor's sizes.
            int width = newSize->right - newSize->left;
            int height = newSize->bottom - newSize->top;
            const int scale = graphics->SnapEditorSize(width, height);
            if (width == newSize->right - newSize->left && height == newSize->bottom - newSize->top)
                graphics->SetEditorScalePercent(scale);
        }
    }
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3View::canResize() {
    return plugin && plugin->Graphics() ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API IEffectVST3View::checkSizeConstraint(ViewRect* proposed) {
    IEditorGraphics* graphics = plugin ? plugin->Graphics() : nullptr;
    if (!graphics || !proposed)
        return kResultFalse;
    int width = proposed->right - proposed->left;
    int height = proposed->bottom - proposed->top;
    graphics->SnapEditorSize(width, height);
    proposed->right = proposed->left + width;
    proposed->bottom = proposed->top + height;
    return kResultTrue;
}

tresult PLUGIN_API IEffectVST3View::setContentScaleFactor(ScaleFactor factor) {
    IEditorGraphics* graphics = plugin ? plugin->Graphics() : nullptr;
    if (!graphics || !graphics->SetEditorScaleFactor(static_cast<double>(factor)))
        return kResultFalse;
    RequestEditorSize();
    return kResultTrue;
}

void IEffectVST3View::RequestEditorSize() {
    IEditorGraphics* graphics = plugin ? plugin->Graphics() : nullptr;
    if (!graphics || !plugFrame)
        return; // the next getSize answers the new size
    ViewRect wanted{0, 0, graphics->EditorPhysicalWidth(), graphics->EditorPhysicalHeight()};
    if (rect.right - rect.left == wanted.right && rect.bottom - rect.top == wanted.bottom)
        return;
    expectingNewSize = true;
    plugFrame->resizeView(this, &wanted);
}

tresult PLUGIN_API IEffectVST3View::setFrame(IPlugFrame* frame) {
    // A frame withdrawn while the window is open takes its run loop with it.
    if (frame != plugFrame)
        StopRunLoop();
    plugFrame = frame;
    if (frame && window)
        StartRunLoop();
    return kResultOk;
}

void IEffectVST3View::StartRunLoop() {
#if !defined(_WIN32)
    if (runLoop || !plugFrame || !plugin || !plugin->Graphics())
        return;
    Linux::IRunLoop* loop = nullptr;
    if (plugFrame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) !=
            kResultOk ||
        !loop)
        return;
    runLoop = loop;
    // One timer at the editor's frame rate; this view's window's X connection is
    // serviced whenever it has events.
    runLoop->registerTimer(
        this, static_cast<Steinberg::Linux::TimerInterval>(plugin->Graphics()->TimerIntervalMs()));
    const int fd = plugin->Graphics()->WindowEventFd(window);
    if (fd >= 0)
        runLoop->registerEventHandler(this, fd);
#endif
}

void IEffectVST3View::StopRunLoop() {
#if !defined(_WIN32)
    if (!runLoop)
        return;
    Linux::IRunLoop* loop = runLoop;
    runLoop = nullptr;
    loop->unregisterTimer(this);
    loop->unregisterEventHandler(this);
    loop->release();
#endif
}

#if !defined(_WIN32)
void PLUGIN_API IEffectVST3View::onTimer() {
    if (window && plugin && plugin->Graphics())
        plugin->Graphics()->OnWindowTimer();
}

void PLUGIN_API IEffectVST3View::onFDIsSet(Linux::FileDescriptor) {
    if (window && plugin && plugin->Graphics())
        plugin->Graphics()->OnWindowEvents(window);
}
#endif

tresult PLUGIN_API IEffectVST3View::queryInterface(const TUID iid, void** obj) {
#if !defined(_WIN32)
    if (iidEqual(iid, Linux::ITimerHandler::iid)) {
        addRef();
        *obj = static_cast<Linux::ITimerHandler*>(this);
        return kResultOk;
    }
    if (iidEqual(iid, Linux::IEventHandler::iid)) {
        addRef();
        *obj = static_cast<Linux::IEventHandler*>(this);
        return kResultOk;
    }
#endif
    if (iidEqual(iid, IPlugViewContentScaleSupport::iid)) {
        addRef();
        *obj = static_cast<IPlugViewContentScaleSupport*>(this);
        return kResultOk;
    }
    return CPluginView::queryInterface(iid, obj);
}

} // namespace torvik
