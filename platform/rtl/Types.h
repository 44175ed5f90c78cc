// Basic types of the runtime: byte strings in a code page, UTF-16 text, date-times,
// window and library handles.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace vcl {

// Text in some code page (the machine's ANSI code page unless stated otherwise).
using AnsiString = std::string;
// UTF-16 text.
using WideString = std::u16string;
// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using HRESULT = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
// A window handle; 0 is no window.
using HWND = std::uintptr_t;
// A loaded dynamic library; nullptr is none.
using HMODULE = void*;

// 16-bit boolean as it crosses automation boundaries: true is -1.
using WordBool = std::int16_t;
inline constexpr WordBool kWordTrue = -1;
inline constexpr WordBool kWordFalse = 0;

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  bool operator==(const TRect&) const = default;
};

// The common part of two rectangles (empty, at the overlap's corner, when they do not meet).
inline TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

}  // namespace vcl
