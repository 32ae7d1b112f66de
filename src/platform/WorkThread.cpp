#include "platform/WorkThread.h"

#include "platform/PlatformErrors.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

struct TWorkThread::TState {
    std::mutex mutex;
    std::mutex joining;  // one joiner at a time (the detach step and an owner may both join)
    std::condition_variable ended;
    bool done = true;
    std::string_view family;
    std::atomic<bool> cancelled{false};
    std::function<void()> cancelHook;
    std::thread thread;

    // The last holder may be the thread itself (its work let go of the state last): it is then
    // let go; any other holder joins it, since a thread still joinable must not be destroyed.
    ~TState() {
        if (!thread.joinable()) return;
        if (thread.get_id() == std::this_thread::get_id()) thread.detach();
        else thread.join();
    }
};

namespace {
using TState = TWorkThread::TState;
using TClock = std::chrono::steady_clock;

// Every thread not yet joined (the module's start-up makes the list first, so that it outlives
// the detach step that reads it).
std::mutex registryMutex;
std::vector<std::shared_ptr<TState>> &Registry() {
    static std::vector<std::shared_ptr<TState>> states;
    return states;
}

// Adds the state; first lets go of disposals that have ended (nobody else holds their state).
void Register(const std::shared_ptr<TState> &s) {
    std::lock_guard lock(registryMutex);
    auto &r = Registry();
    for (auto it = r.begin(); it != r.end();) {
        std::unique_lock stateLock((*it)->mutex);
        const bool ended = (*it)->done && it->use_count() == 1 && *it != s;
        stateLock.unlock();
        if (!ended) {
            ++it;
            continue;
        }
        {
            std::lock_guard joinLock((*it)->joining);
            if ((*it)->thread.joinable()) (*it)->thread.join();
        }
        it = r.erase(it);
    }
    if (std::find(r.begin(), r.end(), s) == r.end()) r.push_back(s);
}

void Unregister(const TState *s) {
    std::lock_guard lock(registryMutex);
    auto &r = Registry();
    r.erase(std::remove_if(r.begin(), r.end(), [s](const auto &p) { return p.get() == s; }), r.end());
}

// Joins the state's thread when it has ended by the deadline; true when joined (or none ran).
bool JoinBy(TState &s, std::optional<TClock::time_point> deadline) {
    std::unique_lock lock(s.mutex);
    if (!deadline) s.ended.wait(lock, [&s] { return s.done; });
    else if (!s.ended.wait_until(lock, *deadline, [&s] { return s.done; })) return false;
    lock.unlock();
    std::lock_guard joinLock(s.joining);
    if (s.thread.joinable() && s.thread.get_id() != std::this_thread::get_id()) s.thread.join();
    return true;
}

void CancelState(TState &s) {
    s.cancelled = true;
    if (s.cancelHook) s.cancelHook();
}

void Launch(const std::shared_ptr<TState> &s, TWorkThread::TWork work) {
    s->cancelled = false;
    s->done = false;
    Register(s);
    try {
        s->thread = std::thread([s, work = std::move(work)] {
            // The work reports its own failures; one that escapes it is dropped here rather than
            // ending the process.
            try {
                work(s->cancelled);
            } catch (...) {
            }
            std::lock_guard lock(s->mutex);
            s->done = true;
            s->ended.notify_all();
        });
    } catch (const std::system_error &) {
        {
            std::lock_guard lock(s->mutex);
            s->done = true;
        }
        Unregister(s.get());
        throw EOutOfMemory(SOutOfMemory());
    }
}
}  // namespace

TWorkThread::TWorkThread(const char *family, std::function<void()> cancelHook)
    : state_(std::make_shared<TState>()) {
    state_->family = family;
    state_->cancelHook = std::move(cancelHook);
}

TWorkThread::~TWorkThread() {
    if (JoinBy(*state_, TClock::now() + std::chrono::milliseconds(kDestroyWaitMs))) Unregister(state_.get());
}

bool TWorkThread::Start(TWork work) {
    if (Running()) return false;
    JoinBy(*state_, std::nullopt);
    Launch(state_, std::move(work));
    return true;
}

void TWorkThread::Cancel() { CancelState(*state_); }
bool TWorkThread::Cancelled() const { return state_->cancelled; }

bool TWorkThread::Running() const {
    std::lock_guard lock(state_->mutex);
    return !state_->done;
}

bool TWorkThread::Wait(int msecs) {
    const std::optional<TClock::time_point> deadline =
        msecs < 0 ? std::nullopt : std::optional(TClock::now() + std::chrono::milliseconds(msecs));
    if (!JoinBy(*state_, deadline)) return false;
    Unregister(state_.get());
    return true;
}

void TWorkThread::Dispose(std::function<void()> work) {
    auto s = std::make_shared<TState>();
    s->family = "dispose";
    // Only the list holds the state: the next start lets it go once it has ended, StopAll joins it.
    Launch(s, [work = std::move(work)](const std::atomic<bool> &) { work(); });
}

namespace {
bool OfFamily(const TState &s, const char *family) { return !family || s.family == family; }
}  // namespace

int TWorkThread::LiveCount(const char *family) {
    std::lock_guard lock(registryMutex);
    int live = 0;
    for (const auto &s : Registry()) {
        if (!OfFamily(*s, family)) continue;
        std::lock_guard stateLock(s->mutex);
        live += s->done ? 0 : 1;
    }
    return live;
}

bool TWorkThread::StopAll(int msecs, const char *family) {
    std::vector<std::shared_ptr<TState>> states;
    {
        std::lock_guard lock(registryMutex);
        for (const auto &s : Registry())
            if (OfFamily(*s, family)) states.push_back(s);
    }
    for (const auto &s : states) CancelState(*s);
    const auto deadline = TClock::now() + std::chrono::milliseconds(msecs);
    bool all = true;
    for (const auto &s : states) {
        if (JoinBy(*s, deadline)) Unregister(s.get());
        else all = false;
    }
    return all;
}
