// The user-interface thread's message queue: windows registered by handle, posted and sent
// messages, timers and the quit message.
#pragma once

#include <functional>

#include <cstdint>

#include "platform/rtl/Types.h"

namespace vcl {

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_USER = 0x0400;

struct TMessage {
  HWND hwnd = 0;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  // Set by the window procedure that handles the message.
  LRESULT Result = 0;
};

// Handles the messages of one window; the result is what SendMessage returns.
using TWindowProc = std::function<LRESULT(TMessage&)>;

// Registers a window and returns its new handle (never 0, never reused in a process).
HWND AllocateHWnd(TWindowProc proc);
// Unregisters the window; its pending messages and timers are dropped.
void DeallocateHWnd(HWND hwnd);
bool IsWindow(HWND hwnd);

// Queues a message for the window. False (and nothing queued) when the handle is gone.
// Safe to call from any thread.
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Calls the window's procedure at once; 0 when the handle is gone.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues WM_QUIT with `exitCode`.
void PostQuitMessage(int exitCode);

// Takes the next message (timers that are due included) without waiting; false when none.
bool PeekMessage(TMessage& msg);
// Calls the procedure of the message's window; messages for gone windows are dropped.
LRESULT DispatchMessage(TMessage& msg);
// Dispatches pending messages, including those posted while doing so, until the queue is
// empty or WM_QUIT is taken (which is left for the caller: returns true then).
bool ProcessMessages();
// Waits up to `timeoutMs` (negative: forever) for a message or a due timer; true when one
// is there.
bool WaitMessage(int timeoutMs);
// Number of messages waiting (timers not counted).
int PendingMessageCount();

// Starts or restarts timer `id` of a window: WM_TIMER with wParam = id every `elapseMs`.
// False when the handle is gone.
bool SetTimer(HWND hwnd, std::uintptr_t id, UINT elapseMs);
bool KillTimer(HWND hwnd, std::uintptr_t id);

// A filter that sees every message before it is dispatched (the framework's message hook);
// returning true consumes the message.
void SetMessageFilter(std::function<bool(TMessage&)> filter);

}  // namespace vcl
