#include "platform/rtl/MessageQueue.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace vcl {

namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
  std::chrono::milliseconds interval;
  Clock::time_point due;
};

// The process's one queue. Window procedures and the filter are held through shared
// pointers and always called with the lock released, so they may post, send, (de)allocate
// windows, replace the filter or run the queue again while they run.
struct QueueState {
  std::mutex mutex;
  std::condition_variable posted;
  HWND nextHandle = 0x10000;
  std::unordered_map<HWND, std::shared_ptr<const TWindowProc>> windows;
  std::deque<TMessage> messages;
  std::map<std::pair<HWND, std::uintptr_t>, Timer> timers;
  std::shared_ptr<const std::function<bool(TMessage&)>> filter;
};

// Never destroyed, so windows released by other objects' destructors at exit still find it.
QueueState& State() {
  static QueueState* state = new QueueState;
  return *state;
}

std::shared_ptr<const TWindowProc> FindProc(HWND hwnd) {
  QueueState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.windows.find(hwnd);
  return it == s.windows.end() ? nullptr : it->second;
}

// The earliest timer deadline; Clock::time_point::max() when there is no timer. Caller
// holds the lock.
Clock::time_point NextTimerDue(const QueueState& s) {
  Clock::time_point next = Clock::time_point::max();
  for (const auto& [key, timer] : s.timers) next = std::min(next, timer.due);
  return next;
}

// Takes the first posted message or, when none is waiting, a WM_TIMER for the timer that
// has been due longest, provided it fell due by `timerLimit`. The timer's next period starts
// now, so a late timer fires once instead of catching up.
bool TakeMessage(TMessage& msg, Clock::time_point timerLimit) {
  QueueState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.messages.empty()) {
    msg = s.messages.front();
    s.messages.pop_front();
    return true;
  }
  auto due = s.timers.end();
  for (auto it = s.timers.begin(); it != s.timers.end(); ++it) {
    if (it->second.due <= timerLimit && (due == s.timers.end() || it->second.due < due->second.due))
      due = it;
  }
  if (due == s.timers.end()) return false;
  due->second.due = Clock::now() + due->second.interval;
  msg = TMessage{due->first.first, WM_TIMER, static_cast<WPARAM>(due->first.second), 0};
  return true;
}

}  // namespace

HWND AllocateHWnd(TWindowProc proc) {
  auto shared = std::make_shared<const TWindowProc>(std::move(proc));
  QueueState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  const HWND hwnd = s.nextHandle++;
  s.windows.emplace(hwnd, std::move(shared));
  return hwnd;
}

void DeallocateHWnd(HWND hwnd) {
  std::shared_ptr<const TWindowProc> released;
  {
    QueueState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.windows.find(hwnd);
    if (it == s.windows.end()) return;
    released = std::move(it->second);
    s.windows.erase(it);
    std::erase_if(s.messages, [hwnd](const TMessage& m) { return m.hwnd == hwnd; });
    std::erase_if(s.timers, [hwnd](const auto& entry) { return entry.first.first == hwnd; });
  }
  // `released` goes here, outside the lock: the procedure's captures may release windows
  // of their own. A call still running holds its own reference.
}

bool IsWindow(HWND hwnd) {
  QueueState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.windows.count(hwnd) != 0;
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  QueueState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.windows.count(hwnd) == 0) return false;
    s.messages.push_back(TMessage{hwnd, msg, wParam, lParam});
  }
  s.posted.notify_all();
  return true;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto proc = FindProc(hwnd);
  if (!proc || !*proc) return 0;
  TMessage message{hwnd, msg, wParam, lParam};
  return (*proc)(message);
}

void PostQuitMessage(int exitCode) {
  QueueState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.messages.push_back(TMessage{0, WM_QUIT, static_cast<WPARAM>(exitCode), 0});
  }
  s.posted.notify_all();
}

bool PeekMessage(TMessage& msg) {
  return TakeMessage(msg, Clock::now());
}

LRESULT DispatchMessage(TMessage& msg) {
  const auto proc = FindProc(msg.hwnd);
  if (!proc) return 0;
  std::shared_ptr<const std::function<bool(TMessage&)>> filter;
  {
    QueueState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    filter = s.filter;
  }
  if (filter && *filter && (*filter)(msg)) return 0;
  // The filter may have released the window.
  if (!IsWindow(msg.hwnd) || !*proc) return 0;
  return (*proc)(msg);
}

bool ProcessMessages() {
  // Timers count when they fell due before this call started, so a timer whose handler
  // takes longer than its period cannot keep the loop going forever.
  const Clock::time_point start = Clock::now();
  TMessage msg;
  while (TakeMessage(msg, start)) {
    if (msg.msg == WM_QUIT) return true;
    DispatchMessage(msg);
  }
  return false;
}

bool WaitMessage(int timeoutMs) {
  QueueState& s = State();
  const bool forever = timeoutMs < 0;
  const Clock::time_point deadline =
      forever ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(s.mutex);
  for (;;) {
    if (!s.messages.empty()) return true;
    const Clock::time_point now = Clock::now();
    const Clock::time_point timerDue = NextTimerDue(s);
    if (timerDue <= now) return true;
    if (!forever && now >= deadline) return false;
    const Clock::time_point until = std::min(deadline, timerDue);
    if (until == Clock::time_point::max())
      s.posted.wait(lock);
    else
      s.posted.wait_until(lock, until);
  }
}

int PendingMessageCount() {
  QueueState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return static_cast<int>(s.messages.size());
}

bool SetTimer(HWND hwnd, std::uintptr_t id, UINT elapseMs) {
  QueueState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.windows.count(hwnd) == 0) return false;
    // A zero period would make the timer due at every look; one millisecond is the least.
    const auto interval = std::chrono::milliseconds(std::max<UINT>(elapseMs, 1));
    s.timers[{hwnd, id}] = Timer{interval, Clock::now() + interval};
  }
  // A thread waiting on a later deadline must look again.
  s.posted.notify_all();
  return true;
}

bool KillTimer(HWND hwnd, std::uintptr_t id) {
  QueueState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.timers.erase({hwnd, id}) != 0;
}

void SetMessageFilter(std::function<bool(TMessage&)> filter) {
  std::shared_ptr<const std::function<bool(TMessage&)>> released;
  auto shared =
      filter ? std::make_shared<const std::function<bool(TMessage&)>>(std::move(filter)) : nullptr;
  {
    QueueState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    released = std::move(s.filter);
    s.filter = std::move(shared);
  }
}

}  // namespace vcl
