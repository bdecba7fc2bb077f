// The frame's run loop and resize handling.
#include "hostkit/PlugFrame.h"

#include "vst3sdk/helpers/pluginview.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <unistd.h>
#endif

using namespace Steinberg;
using namespace Steinberg::Linux;

namespace {

class Ticker : public FObject, public ITimerHandler, public IEventHandler {
public:
    int ticks = 0;
    int reads = 0;
    IRunLoop* unregisterOnTick = nullptr; ///< unregisters itself from inside the callback
    void PLUGIN_API onTimer() override {
        ++ticks;
        if (unregisterOnTick != nullptr)
            unregisterOnTick->unregisterTimer(this);
    }
    void PLUGIN_API onFDIsSet(FileDescriptor fd) override {
        char c;
        if (::read(fd, &c, 1) == 1)
            ++reads;
    }
    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override {
        QUERY_INTERFACE(_iid, obj, ITimerHandler::iid, ITimerHandler, this)
        QUERY_INTERFACE(_iid, obj, IEventHandler::iid, IEventHandler, this)
        return FObject::queryInterface(_iid, obj);
    }
    REFCOUNT_METHODS(FObject)
};

} // namespace

TEST(PlugFrame, TimersFireFromTheLoopAndKeepAReference) {
    auto frame = owned(new hostkit::PlugFrame());
    auto ticker = owned(new Ticker());
    void* obj = nullptr;
    ASSERT_EQ(frame->queryInterface(IRunLoop::iid, &obj), kResultOk);
    auto* loop = static_cast<IRunLoop*>(obj);

    EXPECT_EQ(loop->registerTimer(nullptr, 10), kInvalidArgument);
    EXPECT_EQ(loop->registerTimer(ticker.get(), 0), kInvalidArgument);
    ASSERT_EQ(loop->registerTimer(ticker.get(), 5), kResultTrue);
    EXPECT_EQ(ticker->getRefCount(), 2);
    EXPECT_EQ(frame->fireTimers(), 1);
    EXPECT_EQ(ticker->ticks, 1);
    frame->runFor(30);
    EXPECT_GE(ticker->ticks, 2);

    EXPECT_EQ(loop->unregisterTimer(ticker.get()), kResultTrue);
    EXPECT_EQ(loop->unregisterTimer(ticker.get()), kResultFalse);
    EXPECT_EQ(loop->unregisterTimer(nullptr), kInvalidArgument);
    EXPECT_EQ(ticker->getRefCount(), 1);

    // A handler may unregister itself while it runs.
    ticker->unregisterOnTick = loop;
    loop->registerTimer(ticker.get(), 1);
    frame->fireTimers();
    EXPECT_EQ(frame->timerCount(), 0u);
    EXPECT_EQ(ticker->getRefCount(), 1);
    loop->release();
}

#if !defined(_WIN32)
TEST(PlugFrame, FileDescriptorHandlersRunWhenReadable) {
    auto frame = owned(new hostkit::PlugFrame());
    auto ticker = owned(new Ticker());
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(frame->registerEventHandler(ticker.get(), fds[0]), kResultTrue);
    EXPECT_EQ(frame->registerEventHandler(ticker.get(), fds[0]), kInvalidArgument);
    EXPECT_EQ(frame->runOnce(0), 0);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    EXPECT_EQ(frame->runOnce(100), 1);
    EXPECT_EQ(ticker->reads, 1);
    EXPECT_EQ(frame->unregisterEventHandler(ticker.get()), kResultTrue);
    EXPECT_EQ(frame->unregisterEventHandler(ticker.get()), kResultFalse);
    EXPECT_EQ(ticker->getRefCount(), 1);
    close(fds[0]);
    close(fds[1]);
}
#endif

TEST(PlugFrame, ResizeRecordsAndSizesTheView) {
    auto frame = owned(new hostkit::PlugFrame());
    const ViewRect start(0, 0, 100, 50);
    auto view = owned(new CPluginView(&start));
    ViewRect wanted(0, 0, 200, 80);
    EXPECT_EQ(frame->resizeView(view.get(), &wanted), kResultTrue);
    ViewRect now;
    view->getSize(&now);
    EXPECT_EQ(now.getWidth(), 200);
    ASSERT_EQ(frame->resizeRequests().size(), 1u);
    EXPECT_EQ(frame->resizeRequests()[0].getHeight(), 80);
    EXPECT_EQ(frame->resizeView(nullptr, &wanted), kInvalidArgument);
    frame->setResizeAnswer(kResultFalse);
    ViewRect refused(0, 0, 10, 10);
    EXPECT_EQ(frame->resizeView(view.get(), &refused), kResultFalse);
    view->getSize(&now);
    EXPECT_EQ(now.getWidth(), 200);
}
