#pragma once
// TWorkThread: the module's one way to run work in the background (a Refresh's statement, a
// drill-down's pages, a tree's child query, the runs and join of a PDF file, letting a large
// result go). The work runs on a thread of its own with a cancel flag it reads between steps;
// Cancel sets the flag and calls the owner's cancel hook (a database's statement cancel). Every
// thread not yet joined is known to the process, so that the module's detach step can stop and
// join them all before its code goes (StopAll), and tests can count them.
//
// Destroying a TWorkThread waits for its work (up to kDestroyWaitMs): a thread that does not end
// in time is left to end by itself, and StopAll joins it.
#include <atomic>
#include <functional>
#include <memory>
#include <string_view>

class TWorkThread {
public:
    using TWork = std::function<void(const std::atomic<bool> &cancelled)>;
    static constexpr int kDestroyWaitMs = 5000;

    // family: what kind of work this is ("query", "tree-load", "pdf"), for LiveCount and StopAll;
    // cancelHook: called by Cancel (on any thread) after the flag is set; may be empty.
    explicit TWorkThread(const char *family, std::function<void()> cancelHook = {});
    ~TWorkThread();
    TWorkThread(const TWorkThread &) = delete;
    TWorkThread &operator=(const TWorkThread &) = delete;

    // Starts the work once the previous one (if any) has ended; false while it still runs.
    // Throws EOutOfMemory when no thread can be had (the process is out of memory or threads).
    bool Start(TWork work);
    void Cancel();
    bool Cancelled() const;
    bool Running() const;
    // Waits (processing no events) until the work has ended, at most msecs (< 0: no bound); true
    // when it has ended.
    bool Wait(int msecs);

    // Work whose end nobody waits for (freeing a large value); StopAll joins it too.
    static void Dispose(std::function<void()> work);
    // Threads not yet ended, in this process (of one family only, when given).
    static int LiveCount(const char *family = nullptr);
    // Cancels every thread (of one family only, when given) and joins them, at most msecs in all;
    // true when none is left.
    static bool StopAll(int msecs, const char *family = nullptr);

    struct TState;

private:
    std::shared_ptr<TState> state_;
};
