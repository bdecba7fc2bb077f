#include "hostkit/PlugFrame.h"

#include <algorithm>

#if !defined(_WIN32)
#include <poll.h>
#endif

namespace hostkit {

using namespace Steinberg;
using namespace Steinberg::Linux;

PlugFrame::~PlugFrame() {
    for (Timer& timer : timers)
        timer.handler->release();
    for (Handler& handler : handlers)
        handler.handler->release();
}

tresult PLUGIN_API PlugFrame::resizeView(IPlugView* view, ViewRect* newSize) {
    if (view == nullptr || newSize == nullptr)
        return kInvalidArgument;
    resizes.push_back(*newSize);
    if (resizeAnswer != kResultTrue)
        return resizeAnswer;
    ViewRect current;
    if (view->getSize(&current) != kResultTrue || current.getWidth() != newSize->getWidth() ||
        current.getHeight() != newSize->getHeight())
        view->onSize(newSize);
    return kResultTrue;
}

tresult PLUGIN_API PlugFrame::registerEventHandler(IEventHandler* handler, FileDescriptor fd) {
    if (handler == nullptr)
        return kInvalidArgument;
    for (const Handler& entry : handlers)
        if (entry.fd == fd)
            return kInvalidArgument;
    handler->addRef();
    handlers.push_back({handler, fd});
    return kResultTrue;
}

tresult PLUGIN_API PlugFrame::unregisterEventHandler(IEventHandler* handler) {
    if (handler == nullptr)
        return kInvalidArgument;
    bool found = false;
    for (auto it = handlers.begin(); it != handlers.end();) {
        if (it->handler == handler) {
            it->handler->release();
            it = handlers.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API PlugFrame::registerTimer(ITimerHandler* handler, TimerInterval milliseconds) {
    if (handler == nullptr || milliseconds == 0)
        return kInvalidArgument;
    handler->addRef();
    const std::chrono::milliseconds interval(
        static_cast<int64_t>(std::min<TimerInterval>(milliseconds, 24ull * 3600 * 1000)));
    timers.push_back({handler, interval, Clock::now() + interval});
    return kResultTrue;
}

tresult PLUGIN_API PlugFrame::unregisterTimer(ITimerHandler* handler) {
    if (handler == nullptr)
        return kInvalidArgument;
    bool found = false;
    for (auto it = timers.begin(); it != timers.end();) {
        if (it->handler == handler) {
            it->handler->release();
            it = timers.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found ? kResultTrue : kResultFalse;
}

int PlugFrame::fireTimers() {
    // Copy first: a handler may unregister itself or others while it runs.
    std::vector<ITimerHandler*> due;
    for (Timer& timer : timers) {
        timer.handler->addRef();
        due.push_back(timer.handler);
        timer.due = Clock::now() + timer.interval;
    }
    for (ITimerHandler* handler : due) {
        handler->onTimer();
        handler->release();
    }
    return static_cast<int>(due.size());
}

int PlugFrame::runOnce(int timeoutMs) {
    int callbacks = 0;
    auto now = Clock::now();
    auto wait = std::chrono::milliseconds(std::max(0, timeoutMs));
    for (const Timer& timer : timers)
        wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::max(timer.due - now, Clock::duration::zero())));

#if !defined(_WIN32)
    std::vector<pollfd> fds;
    for (const Handler& entry : handlers)
        fds.push_back({entry.fd, POLLIN, 0});
    const int ready =
        poll(fds.empty() ? nullptr : fds.data(), fds.size(), static_cast<int>(wait.count()));
    if (ready > 0) {
        std::vector<std::pair<IEventHandler*, FileDescriptor>> readable;
        for (const pollfd& p : fds) {
            if ((p.revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                continue;
            for (const Handler& entry : handlers) {
                if (entry.fd == p.fd) {
                    entry.handler->addRef();
                    readable.emplace_back(entry.handler, entry.fd);
                }
            }
        }
        for (auto& [handler, fd] : readable) {
            handler->onFDIsSet(fd);
            handler->release();
            ++callbacks;
        }
    }
#endif

    now = Clock::now();
    std::vector<ITimerHandler*> due;
    for (Timer& timer : timers) {
        if (timer.due <= now) {
            timer.handler->addRef();
            due.push_back(timer.handler);
            timer.due = now + timer.interval;
        }
    }
    for (ITimerHandler* handler : due) {
        handler->onTimer();
        handler->release();
        ++callbacks;
    }
    return callbacks;
}

int PlugFrame::runFor(int ms) {
    int callbacks = 0;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        callbacks += runOnce(static_cast<int>(std::max<int64_t>(1, left)));
    }
    return callbacks;
}

tresult PLUGIN_API PlugFrame::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IPlugFrame::iid, IPlugFrame, this)
    QUERY_INTERFACE(_iid, obj, IRunLoop::iid, IRunLoop, this)
    return FObject::queryInterface(_iid, obj);
}

} // namespace hostkit
