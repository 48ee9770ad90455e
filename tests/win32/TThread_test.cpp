#include "toolkit/TThread.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

// A thread whose body is given by the test; started once fully constructed.
class TTestThread final : public TThread {
public:
    explicit TTestThread(std::function<void(TTestThread&)> body) : Body(std::move(body)) { Start(); }
    ~TTestThread() override
    {
        RequestStop();
        WaitFor();
    }
    using TThread::Synchronize;

private:
    void Execute() override { Body(*this); }
    std::function<void(TTestThread&)> Body;
};

} // namespace

TEST(TThread, ManySynchronousCallsRunOnTheOwningThreadInOrder)
{
    const DWORD owner = GetCurrentThreadId();
    std::vector<int> seen;
    bool allOnOwner = true;
    TTestThread thread([&](TTestThread& self) {
        for (int i = 0; i < 2000; ++i) {
            self.Synchronize([&] {
                allOnOwner = allOnOwner && GetCurrentThreadId() == owner;
                seen.push_back(i);
            });
        }
    });
    thread.WaitFor();
    ASSERT_TRUE(thread.Finished());
    ASSERT_EQ(seen.size(), 2000u);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(seen[i], i);
    EXPECT_TRUE(allOnOwner);
    EXPECT_EQ(thread.FatalMessage(), "");
}

TEST(TThread, StopRequestedDuringACallIsSeenWhenTheCallReturns)
{
    int calls = 0;
    TTestThread* handle = nullptr;
    TTestThread thread([&](TTestThread& self) {
        while (!self.StopRequested()) {
            self.Synchronize([&] {
                if (++calls == 5) handle->RequestStop();
            });
        }
    });
    handle = &thread;
    thread.WaitFor();
    EXPECT_EQ(calls, 5);
    EXPECT_TRUE(thread.StopRequested());
}

TEST(TThread, WaitForWhileTheWorkerIsInsideACallDoesNotDeadlock)
{
    HANDLE inCall = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int calls = 0;
    {
        TTestThread thread([&](TTestThread& self) {
            while (!self.StopRequested()) {
                SetEvent(inCall);
                self.Synchronize([&] { ++calls; });
            }
        });
        // The worker is blocked in a call that only the waiting thread can serve.
        ASSERT_EQ(WaitForSingleObject(inCall, 10000), WAIT_OBJECT_0);
        thread.RequestStop();
        thread.WaitFor();
        EXPECT_TRUE(thread.Finished());
    }
    CloseHandle(inCall);
    EXPECT_GE(calls, 1);
}

TEST(TThread, ExceptionInTheBodyIsKeptForTheOwner)
{
    TTestThread thread([](TTestThread&) { throw std::runtime_error("読めません"); });
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    ASSERT_TRUE(thread.FatalException() != nullptr);
    EXPECT_EQ(thread.FatalMessage(), "読めません");

    TTestThread unknown([](TTestThread&) { throw 42; });
    unknown.WaitFor();
    EXPECT_EQ(unknown.FatalMessage(), "原因不明のエラーが発生しました");
}

TEST(TThread, ExceptionInASynchronizedOperationReachesTheWorker)
{
    std::string caught;
    TTestThread thread([&](TTestThread& self) {
        try {
            self.Synchronize([] { throw std::runtime_error("UI"); });
        } catch (const std::exception& error) {
            caught = error.what();
        }
    });
    thread.WaitFor();
    EXPECT_EQ(caught, "UI");
    EXPECT_EQ(thread.FatalMessage(), "");
}

TEST(TThread, DestroyingARunningThreadStopsAndWaits)
{
    int calls = 0;
    {
        TTestThread thread([&](TTestThread& self) {
            while (!self.StopRequested()) self.Synchronize([&] { ++calls; });
        });
        while (calls < 3) {
            MSG message;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_SENDMESSAGE);
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    EXPECT_GE(calls, 3);
}

TEST(TThread, AThreadEndedWithoutItsBodyReturningCountsAsEnded)
{
    // What a stack overflow does to a worker: the thread is gone, its end hook never ran.
    TTestThread thread([](TTestThread&) { ExitThread(0); });
    for (int i = 0; i < 500 && !thread.Ended(); ++i) Sleep(10);
    EXPECT_TRUE(thread.Ended());
    EXPECT_FALSE(thread.Finished());
    // Waiting for it returns at once.
    thread.WaitFor();
}
