// The host's frame around an editor view, with the run loop a Linux editor needs.
#pragma once

#include "vst3sdk/helpers/fobject.h"
#include "vst3sdk/pluginterfaces/gui/iplugview.h"

#include <chrono>
#include <vector>

namespace hostkit {

/** IPlugFrame and Linux::IRunLoop. Timers and fd handlers run only when the test or tool drives
    the loop (runOnce / runFor), on the calling thread, as a host's UI thread would. Resize
    requests are recorded and answered like the sample host: the view gets onSize when its size
    differs from the request. */
class PlugFrame : public Steinberg::FObject,
                  public Steinberg::IPlugFrame,
                  public Steinberg::Linux::IRunLoop {
public:
    PlugFrame() = default;
    ~PlugFrame() override;

    /** Waits at most `timeoutMs` for readable fds or the next timer, then runs what is due.
        Answers the number of callbacks made. */
    int runOnce(int timeoutMs);
    /** Runs the loop for `ms` milliseconds of wall time. */
    int runFor(int ms);
    /** Fires every registered timer once, now (for deterministic tests). */
    int fireTimers();

    size_t timerCount() const { return timers.size(); }
    size_t eventHandlerCount() const { return handlers.size(); }
    /** Every size asked for through resizeView. */
    const std::vector<Steinberg::ViewRect>& resizeRequests() const { return resizes; }
    /** Answer to resizeView (kResultTrue by default). */
    void setResizeAnswer(Steinberg::tresult answer) { resizeAnswer = answer; }

    // IPlugFrame
    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;
    // Linux::IRunLoop
    Steinberg::tresult PLUGIN_API registerEventHandler(
        Steinberg::Linux::IEventHandler* handler, Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API
    unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API
    registerTimer(Steinberg::Linux::ITimerHandler* handler,
                  Steinberg::Linux::TimerInterval milliseconds) override;
    Steinberg::tresult PLUGIN_API
    unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)

private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        Steinberg::Linux::ITimerHandler* handler; ///< counted
        std::chrono::milliseconds interval;       ///< period
        Clock::time_point due;                    ///< next firing
    };
    struct Handler {
        Steinberg::Linux::IEventHandler* handler; ///< counted
        Steinberg::Linux::FileDescriptor fd;      ///< watched for readability
    };

    std::vector<Timer> timers;                                ///< registered timers
    std::vector<Handler> handlers;                            ///< registered fd handlers
    std::vector<Steinberg::ViewRect> resizes;                 ///< resizeView requests
    Steinberg::tresult resizeAnswer = Steinberg::kResultTrue; ///< answer of resizeView
};

} // namespace hostkit
