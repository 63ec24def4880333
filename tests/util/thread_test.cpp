#include "util/thread.h"

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "support/waiting.h"

using namespace std::chrono_literals;

namespace {

// A latch the test opens to let a run finish.
class Gate {
public:
    void open() { promise.set_value(); }
    void pass() { future.wait(); }

private:
    std::promise<void> promise;
    std::shared_future<void> future{promise.get_future().share()};
};

// The kernel id of a thread the test starts, once that thread has told it.
class ThreadIdOf {
public:
    void tell() { promise.set_value(currentThreadId()); }
    int get() { return future.get(); }

private:
    std::promise<int> promise;
    std::shared_future<int> future{promise.get_future().share()};
};

int ownNice()
{
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

} // namespace

TEST(ThreadTest, JoinAndWaitOnNeverRunThreadReturnAtOnce)
{
    Thread thread;
    EXPECT_FALSE(thread.isRunning());
    EXPECT_TRUE(thread.waitFor(0ms));
    thread.join();
}

TEST(ThreadTest, FunctionReceivesBothArgumentsInOrder)
{
    struct Seen {
        void* first = nullptr;
        void* second = nullptr;
    };
    static Seen seen;
    int a = 1;
    int b = 2;
    Thread thread;
    thread.start([](void* first, void* second) { seen = Seen{first, second}; }, &a, &b);
    thread.join();
    EXPECT_EQ(seen.first, &a);
    EXPECT_EQ(seen.second, &b);
}

TEST(ThreadTest, SecondStartWaitsForEarlierRunToEnd)
{
    Thread thread;
    Gate gate;
    std::mutex orderLock;
    std::vector<std::string> order;
    auto note = [&](const char* what) {
        std::lock_guard<std::mutex> guard(orderLock);
        order.push_back(what);
    };
    thread.start([&] {
        gate.pass();
        note("first ends");
    });
    std::atomic<bool> secondStarted{false};
    ThreadIdOf starterId;
    std::thread starter([&] {
        starterId.tell();
        thread.start([&] { note("second begins"); });
        secondStarted = true;
    });
    EXPECT_TRUE(waitUntilBlocked(starterId.get()));
    EXPECT_FALSE(secondStarted) << "start returned while the first run was still going";
    EXPECT_TRUE(thread.isRunning());
    gate.open();
    starter.join();
    thread.join();
    EXPECT_EQ(order, (std::vector<std::string>{"first ends", "second begins"}));
}

TEST(ThreadTest, StartAfterEndedRunRunsAgainAndIsRunningFollowsIt)
{
    Thread thread;
    std::atomic<int> runs{0};
    thread.start([&] { ++runs; });
    ASSERT_TRUE(thread.waitFor(5s));
    EXPECT_FALSE(thread.isRunning());
    Gate gate;
    thread.start([&] {
        gate.pass();
        ++runs;
    });
    EXPECT_TRUE(thread.isRunning());
    EXPECT_FALSE(thread.waitFor(20ms));
    gate.open();
    EXPECT_TRUE(thread.waitFor(5s));
    EXPECT_FALSE(thread.isRunning());
    EXPECT_EQ(runs, 2);
}

TEST(ThreadTest, DestructionWaitsForTheRun)
{
    std::atomic<bool> finished{false};
    // The run ends only once this thread is blocked, in the destructor.
    Gate gate;
    const int self = currentThreadId();
    std::thread opener([&] {
        waitUntilBlocked(self);
        gate.open();
    });
    {
        Thread thread;
        thread.start([&] {
            gate.pass();
            finished = true;
        });
    }
    EXPECT_TRUE(finished);
    opener.join();
}

TEST(ThreadTest, RunMayJoinAndRestartItsOwnThreadWithoutHanging)
{
    Thread thread;
    std::atomic<int> step{0};
    thread.start([&] {
        thread.join(); // returns at once: a thread cannot wait for itself
        step = 1;
        thread.start([&] { step = 2; });
    });
    waitUntil([&] { return step == 2; }, 5s);
    thread.join();
    EXPECT_EQ(step, 2);
}

TEST(ThreadTest, RunJoiningItselfDoesNotHangWhileAnotherStartWaitsForIt)
{
    Thread thread;
    Gate gate;
    std::atomic<bool> joined{false};
    thread.start([&] {
        gate.pass();
        thread.join();
        joined = true;
    });
    ThreadIdOf starterId;
    std::thread starter([&] {
        starterId.tell();
        thread.start([] {});
    });
    EXPECT_TRUE(waitUntilBlocked(starterId.get())); // the starter waits for the run
    gate.open();
    starter.join();
    thread.join();
    EXPECT_TRUE(joined);
}

TEST(ThreadTest, HighPriorityRaisesTheRunWhereAllowedAndOnlyThatRun)
{
    // Whether this process may lower a thread's nice value depends on its rights; find out on a
    // scratch thread, so the test checks the raise exactly where the system allows it.
    bool allowed = false;
    int normal = 0;
    std::thread probe([&] {
        normal = ownNice();
        allowed =
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), normal - 2) == 0;
    });
    probe.join();

    int raisedNice = 0;
    int plainNice = 0;
    Thread thread;
    thread.start([&] { raisedNice = ownNice(); }, true);
    thread.join();
    thread.start([&] { plainNice = ownNice(); });
    thread.join();
    EXPECT_EQ(plainNice, normal);
    if (allowed) {
        EXPECT_LT(raisedNice, normal);
    } else {
        EXPECT_EQ(raisedNice, normal);
    }
}

TEST(MutexTest, OwnerMayLockAgainWhileOthersWait)
{
    Mutex mutex;
    std::atomic<bool> otherInside{false};
    std::thread other;
    {
        MutexLock outer(mutex);
        {
            MutexLock inner(mutex); // re-entrant for its owner
        }
        ThreadIdOf otherId;
        other = std::thread([&] {
            otherId.tell();
            MutexLock lock(mutex);
            otherInside = true;
        });
        EXPECT_TRUE(waitUntilBlocked(otherId.get()));
        EXPECT_FALSE(otherInside) << "the inner unlock released the mutex the outer lock holds";
    }
    other.join();
    EXPECT_TRUE(otherInside);
}

TEST(MutexTest, DestructionWaitsForAnotherThreadsSection)
{
    auto* mutex = new Mutex;
    std::atomic<bool> sectionDone{false};
    Gate entered;
    const int self = currentThreadId();
    std::thread holder([&] {
        MutexLock lock(*mutex);
        entered.open();
        // The section ends only once this test's thread is blocked, in the destructor.
        waitUntilBlocked(self);
        sectionDone = true;
    });
    entered.pass();
    delete mutex;
    EXPECT_TRUE(sectionDone);
    holder.join();
}
