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
        if (windowOpen && plugin->Graphics())
            plugin->Graphics()->CloseEditorWindow();
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
    if (type && std::strcmp(type, kEditorPlatformType) == 0 && !windowOpen) {
        windowOpen = graphics->OpenEditorWindow(parent) != nullptr;
        if (windowOpen)
            StartRunLoop();
    }
    plugin->OnEditorOpen();
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3View::removed() {
    if (plugin && plugin->Graphics()) {
        plugin->OnEditorClose();
        StopRunLoop();
        if (windowOpen)
            plugin->Graphics()->CloseEditorWindow();
        windowOpen = false;
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
    const int width = graphics->EditorWidth() > 0 ? graphics->EditorWidth() : facts.editorWidth;
    const int height = graphics->EditorHeight() > 0 ? graphics->EditorHeight() : facts.editorHeight;
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
        }
    }
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3View::setFrame(IPlugFrame* frame) {
    // A frame withdrawn while the window is open takes its run loop with it.
    if (frame != plugFrame)
        StopRunLoop();
    plugFrame = frame;
    if (frame && windowOpen)
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
    // One timer at the editor's frame rate; the window's X connection is serviced
    // whenever it has events.
    runLoop->registerTimer(
        this, static_cast<Steinberg::Linux::TimerInterval>(plugin->Graphics()->TimerIntervalMs()));
    const int fd = plugin->Graphics()->WindowEventFd();
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
    if (windowOpen && plugin && plugin->Graphics())
        plugin->Graphics()->OnWindowTimer();
}

void PLUGIN_API IEffectVST3View::onFDIsSet(Linux::FileDescriptor) {
    if (windowOpen && plugin && plugin->Graphics())
        plugin->Graphics()->OnWindowEvents();
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
    return CPluginView::queryInterface(iid, obj);
}

} // namespace torvik
