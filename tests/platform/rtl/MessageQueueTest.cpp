#include "platform/rtl/MessageQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace vcl;

namespace {

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << "{" << s.hwnd << ", " << s.msg << ", " << s.wParam << ", " << s.lParam << "}";
}

// Every test starts and ends with an empty queue and releases the windows it made.
class MessageQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { Drain(); }
  void TearDown() override {
    for (HWND h : windows_) DeallocateHWnd(h);
    SetMessageFilter(nullptr);
    Drain();
  }

  static void Drain() {
    TMessage m;
    while (PeekMessage(m)) {
    }
  }

  HWND Make(TWindowProc proc) {
    const HWND h = AllocateHWnd(std::move(proc));
    windows_.push_back(h);
    return h;
  }

  // A window that records what reaches it in `log_` and answers with `result`.
  HWND Recorder(LRESULT result = 0) {
    return Make([this, result](TMessage& m) {
      log_.push_back({m.hwnd, m.msg, m.wParam, m.lParam});
      return result;
    });
  }

  std::vector<Seen> log_;
  std::vector<HWND> windows_;
};

}  // namespace

TEST_F(MessageQueueTest, PostedMessagesArriveInOrder) {
  const HWND a = Recorder();
  const HWND b = Recorder();
  ASSERT_TRUE(PostMessage(a, WM_USER, 1, 10));
  ASSERT_TRUE(PostMessage(b, WM_USER + 1, 2, -20));
  ASSERT_TRUE(PostMessage(a, WM_CHAR, 'x', 0));
  EXPECT_EQ(PendingMessageCount(), 3);
  EXPECT_TRUE(log_.empty());
  EXPECT_FALSE(ProcessMessages());
  EXPECT_EQ(log_, (std::vector<Seen>{
                      {a, WM_USER, 1, 10}, {b, WM_USER + 1, 2, -20}, {a, WM_CHAR, 'x', 0}}));
  EXPECT_EQ(PendingMessageCount(), 0);
  EXPECT_FALSE(ProcessMessages());

  // Peek and dispatch by hand give the same result.
  PostMessage(b, WM_KEYDOWN, 13, 0);
  TMessage m;
  ASSERT_TRUE(PeekMessage(m));
  EXPECT_EQ(m.hwnd, b);
  EXPECT_EQ(m.msg, WM_KEYDOWN);
  EXPECT_FALSE(PeekMessage(m));
  DispatchMessage(m);
  EXPECT_EQ(log_.back(), (Seen{b, WM_KEYDOWN, 13, 0}));
}

TEST_F(MessageQueueTest, HandlesAndSendMessage) {
  const HWND a = Make([](TMessage& m) { return static_cast<LRESULT>(m.wParam) * 2 + m.lParam; });
  const HWND b = Recorder(-7);
  EXPECT_NE(a, 0u);
  EXPECT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_TRUE(IsWindow(a));
  EXPECT_EQ(SendMessage(a, WM_USER, 20, 2), 42);
  EXPECT_EQ(SendMessage(b, WM_CLOSE, 0, 0), -7);
  EXPECT_EQ(log_, (std::vector<Seen>{{b, WM_CLOSE, 0, 0}}));
  EXPECT_EQ(PendingMessageCount(), 0);

  DeallocateHWnd(a);
  EXPECT_FALSE(IsWindow(a));
  EXPECT_EQ(SendMessage(a, WM_USER, 20, 2), 0);
  DeallocateHWnd(a);  // a second release is harmless
  // A new window never gets a released handle back.
  const HWND c = Recorder();
  EXPECT_NE(c, a);
  EXPECT_NE(c, b);
  EXPECT_FALSE(IsWindow(0));
}

TEST_F(MessageQueueTest, GoneHandlesRefuseMessagesAndTimers) {
  const HWND a = Recorder();
  DeallocateHWnd(a);
  struct Case {
    const char* what;
    HWND hwnd;
  } cases[] = {{"released", a}, {"zero", 0}, {"never made", a + 1000000}};
  for (const auto& c : cases) {
    EXPECT_FALSE(PostMessage(c.hwnd, WM_USER, 0, 0)) << c.what;
    EXPECT_EQ(SendMessage(c.hwnd, WM_USER, 0, 0), 0) << c.what;
    EXPECT_FALSE(SetTimer(c.hwnd, 1, 10)) << c.what;
    EXPECT_FALSE(KillTimer(c.hwnd, 1)) << c.what;
  }
  EXPECT_EQ(PendingMessageCount(), 0);
  EXPECT_FALSE(ProcessMessages());
  EXPECT_TRUE(log_.empty());
}

TEST_F(MessageQueueTest, ReleasingAWindowDropsItsPendingMessages) {
  const HWND a = Recorder();
  const HWND b = Recorder();
  PostMessage(a, WM_USER, 1, 0);
  PostMessage(b, WM_USER, 2, 0);
  PostMessage(a, WM_USER, 3, 0);
  SetTimer(a, 5, 1);
  DeallocateHWnd(a);
  EXPECT_EQ(PendingMessageCount(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(ProcessMessages());
  EXPECT_EQ(log_, (std::vector<Seen>{{b, WM_USER, 2, 0}}));
}

TEST_F(MessageQueueTest, ProceduresMayReleaseWindowsWhileRunning) {
  // The procedure releases its own window, then still uses what it captured; later
  // messages for it are dropped.
  auto state = std::make_shared<std::vector<int>>();
  HWND self = 0;
  self = Make([state, &self](TMessage& m) {
    DeallocateHWnd(self);
    state->push_back(static_cast<int>(m.wParam));
    return 0;
  });
  const HWND other = Recorder();
  PostMessage(self, WM_USER, 1, 0);
  PostMessage(self, WM_USER, 2, 0);
  PostMessage(other, WM_USER, 3, 0);
  std::weak_ptr<std::vector<int>> watch = state;
  state.reset();
  EXPECT_FALSE(ProcessMessages());
  EXPECT_FALSE(IsWindow(self));
  EXPECT_TRUE(watch.expired());  // the procedure is gone once its last call returned
  EXPECT_EQ(log_, (std::vector<Seen>{{other, WM_USER, 3, 0}}));

  // A procedure that releases another window with messages waiting.
  const HWND victim = Recorder();
  const HWND killer = Make([victim](TMessage&) {
    DeallocateHWnd(victim);
    return 0;
  });
  log_.clear();
  PostMessage(killer, WM_USER, 0, 0);
  PostMessage(victim, WM_USER, 9, 0);
  EXPECT_FALSE(ProcessMessages());
  EXPECT_TRUE(log_.empty());

  // A procedure whose captures release windows when destroyed can itself be released.
  const HWND inner = Recorder();
  std::shared_ptr<void> releaser(nullptr, [inner](void*) { DeallocateHWnd(inner); });
  const HWND outer = Make([releaser](TMessage&) { return 0; });
  releaser.reset();
  EXPECT_TRUE(IsWindow(inner));
  DeallocateHWnd(outer);
  EXPECT_FALSE(IsWindow(inner));
}

TEST_F(MessageQueueTest, NestedProcessingAndMessagesPostedWhileProcessing) {
  std::vector<std::string> trace;
  HWND h = 0;
  h = Make([&](TMessage& m) {
    trace.push_back("begin " + std::to_string(m.wParam));
    if (m.wParam == 1) {
      PostMessage(h, WM_USER, 2, 0);
      EXPECT_FALSE(ProcessMessages());
    } else if (m.wParam == 2) {
      PostMessage(h, WM_USER, 3, 0);
      EXPECT_EQ(SendMessage(h, WM_USER, 4, 0), 4);
    }
    trace.push_back("end " + std::to_string(m.wParam));
    return static_cast<LRESULT>(m.wParam);
  });
  PostMessage(h, WM_USER, 1, 0);
  EXPECT_FALSE(ProcessMessages());
  EXPECT_EQ(trace, (std::vector<std::string>{"begin 1", "begin 2", "begin 4", "end 4", "end 2",
                                             "begin 3", "end 3", "end 1"}));
  EXPECT_EQ(PendingMessageCount(), 0);
}

TEST_F(MessageQueueTest, QuitStopsProcessing) {
  const HWND a = Recorder();
  PostMessage(a, WM_USER, 1, 0);
  PostQuitMessage(3);
  PostMessage(a, WM_USER, 2, 0);
  EXPECT_TRUE(ProcessMessages());
  EXPECT_EQ(log_, (std::vector<Seen>{{a, WM_USER, 1, 0}}));
  EXPECT_EQ(PendingMessageCount(), 1);
  EXPECT_FALSE(ProcessMessages());
  EXPECT_EQ(log_.size(), 2u);

  PostQuitMessage(7);
  TMessage m;
  ASSERT_TRUE(PeekMessage(m));
  EXPECT_EQ(m.msg, WM_QUIT);
  EXPECT_EQ(m.hwnd, 0u);
  EXPECT_EQ(m.wParam, 7u);

  // A procedure that asks to quit ends the loop that runs it.
  const HWND quitter = Make([](TMessage&) {
    PostQuitMessage(0);
    return 0;
  });
  PostMessage(quitter, WM_CLOSE, 0, 0);
  PostMessage(a, WM_USER, 3, 0);
  EXPECT_TRUE(ProcessMessages());
  EXPECT_EQ(log_.back(), (Seen{a, WM_USER, 3, 0}));
}

TEST_F(MessageQueueTest, TimersFireAfterTheirPeriodWithoutPilingUp) {
  const HWND a = Recorder();
  // A long timer is not due yet.
  ASSERT_TRUE(SetTimer(a, 1, 60000));
  EXPECT_FALSE(WaitMessage(0));
  EXPECT_FALSE(ProcessMessages());
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(KillTimer(a, 1));
  EXPECT_FALSE(KillTimer(a, 1));

  ASSERT_TRUE(SetTimer(a, 7, 20));
  EXPECT_EQ(PendingMessageCount(), 0);  // timers are not counted
  int ticks = 0;
  for (int round = 0; round < 200 && ticks < 3; ++round) {
    ASSERT_TRUE(WaitMessage(5000));
    ProcessMessages();
    ticks = static_cast<int>(log_.size());
  }
  ASSERT_GE(ticks, 3);
  for (const auto& s : log_) EXPECT_EQ(s, (Seen{a, WM_TIMER, 7, 0}));

  // Many periods passed while nobody looked: one WM_TIMER, not one per period.
  log_.clear();
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  EXPECT_FALSE(ProcessMessages());
  EXPECT_EQ(log_.size(), 1u);

  // Posted messages go before a due timer.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  log_.clear();
  PostMessage(a, WM_USER, 0, 0);
  ProcessMessages();
  ASSERT_EQ(log_.size(), 2u);
  EXPECT_EQ(log_[0].msg, WM_USER);
  EXPECT_EQ(log_[1].msg, WM_TIMER);

  EXPECT_TRUE(KillTimer(a, 7));
  log_.clear();
  EXPECT_FALSE(WaitMessage(60));
  EXPECT_FALSE(ProcessMessages());
  EXPECT_TRUE(log_.empty());
}

TEST_F(MessageQueueTest, SlowTimerHandlerDoesNotKeepProcessingForever) {
  int ticks = 0;
  const HWND h = Make([&ticks](TMessage&) {
    ++ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    return 0;
  });
  SetTimer(h, 1, 1);
  SetTimer(h, 2, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(ProcessMessages());
  EXPECT_EQ(ticks, 2);
}

TEST_F(MessageQueueTest, PostFromAnotherThreadWakesWaiter) {
  const HWND a = Recorder();
  EXPECT_FALSE(WaitMessage(0));
  EXPECT_FALSE(WaitMessage(20));

  const auto start = std::chrono::steady_clock::now();
  std::thread poster([a] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PostMessage(a, WM_USER, 42, 0);
  });
  const bool woke = WaitMessage(-1);
  const auto waited = std::chrono::steady_clock::now() - start;
  poster.join();
  EXPECT_TRUE(woke);
  EXPECT_LT(waited, std::chrono::seconds(20));
  EXPECT_FALSE(ProcessMessages());
  EXPECT_EQ(log_, (std::vector<Seen>{{a, WM_USER, 42, 0}}));

  // Several threads posting at once: nothing lost, each thread's order kept.
  log_.clear();
  constexpr int kThreads = 4;
  constexpr int kEach = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([a, t] {
      for (int i = 0; i < kEach; ++i) PostMessage(a, WM_USER + t, static_cast<WPARAM>(i), 0);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(PendingMessageCount(), kThreads * kEach);
  ProcessMessages();
  ASSERT_EQ(log_.size(), static_cast<size_t>(kThreads * kEach));
  std::vector<WPARAM> next(kThreads, 0);
  for (const auto& s : log_) {
    const size_t t = s.msg - WM_USER;
    ASSERT_LT(t, next.size());
    EXPECT_EQ(s.wParam, next[t]++);
  }
}

TEST_F(MessageQueueTest, FilterSeesDispatchedMessagesAndMayConsume) {
  const HWND a = Recorder();
  std::vector<UINT> filtered;
  SetMessageFilter([&filtered](TMessage& m) {
    filtered.push_back(m.msg);
    if (m.msg == WM_KEYDOWN) m.wParam = 99;  // the filter may rewrite what passes on
    return m.msg == WM_USER + 1;
  });
  PostMessage(a, WM_USER, 0, 0);
  PostMessage(a, WM_USER + 1, 0, 0);
  PostMessage(a, WM_KEYDOWN, 1, 0);
  EXPECT_FALSE(ProcessMessages());
  EXPECT_EQ(filtered, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_KEYDOWN}));
  EXPECT_EQ(log_, (std::vector<Seen>{{a, WM_USER, 0, 0}, {a, WM_KEYDOWN, 99, 0}}));

  // Sent messages go straight to the procedure.
  filtered.clear();
  SendMessage(a, WM_USER + 1, 0, 0);
  EXPECT_TRUE(filtered.empty());
  EXPECT_EQ(log_.size(), 3u);

  // A filter that removes itself while running.
  int calls = 0;
  SetMessageFilter([&calls](TMessage&) {
    ++calls;
    SetMessageFilter(nullptr);
    return true;
  });
  PostMessage(a, WM_USER, 1, 0);
  PostMessage(a, WM_USER, 2, 0);
  EXPECT_FALSE(ProcessMessages());
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(log_.back(), (Seen{a, WM_USER, 2, 0}));
}
