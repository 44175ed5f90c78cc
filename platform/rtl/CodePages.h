// Conversion between code pages and UTF-16, the machine's ANSI code page and
// double-byte lead-byte tests.
#pragma once

#include <string_view>

#include "platform/rtl/Types.h"

namespace vcl {

inline constexpr UINT CP_ACP = 0;  // the machine's ANSI code page
inline constexpr UINT CP_GB2312 = 936;
inline constexpr UINT CP_BIG5 = 950;
inline constexpr UINT CP_OEM_US = 437;
inline constexpr UINT CP_WESTERN = 1252;
inline constexpr UINT CP_UTF8 = 65001;

// Replacement for a character that the target code page cannot hold.
inline constexpr char kAnsiReplacement = '?';
// Replacement for bytes that are not valid in the source code page.
inline constexpr char16_t kWideReplacement = u'\uFFFD';

// The machine's ANSI code page: value "ACP" under
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Nls\CodePage in the registry file,
// otherwise derived from the locale (zh_CN/zh_SG 936, zh_TW/zh_HK 950, ja 932, ko 949,
// otherwise 1252). Read once and cached.
UINT GetACP();
// Forgets the cached ANSI code page so the next GetACP reads it again.
void ResetACPCache();

// True when `codePage` (CP_ACP allowed) is one of the code pages this runtime converts.
bool IsValidCodePage(UINT codePage);

// Bytes in `codePage` to UTF-16. Invalid bytes become kWideReplacement; nothing is dropped.
// An unknown code page raises EConvertError.
WideString CodePageToWide(std::string_view text, UINT codePage);
// UTF-16 to bytes in `codePage`. A character the code page cannot hold becomes
// kAnsiReplacement; nothing is dropped. An unknown code page raises EConvertError.
AnsiString WideToCodePage(std::u16string_view text, UINT codePage);
// Bytes in one code page to another, through UTF-16.
AnsiString CodePageToCodePage(std::string_view text, UINT fromCodePage, UINT toCodePage);

// Shorthands for the ANSI code page and for UTF-8.
WideString AnsiToWide(std::string_view text);
AnsiString WideToAnsi(std::u16string_view text);
std::string WideToUtf8(std::u16string_view text);
WideString Utf8ToWide(std::string_view text);
// ANSI (CP_ACP) text to UTF-8 and back; identity when the ANSI code page is UTF-8.
std::string AnsiToUtf8(std::string_view text);
AnsiString Utf8ToAnsi(std::string_view text);

// A UTF-8 source literal as the GB2312 (code page 936) bytes that form texts are designed in.
AnsiString DesignText(std::string_view utf8);
AnsiString DesignText(std::u8string_view utf8);

// True for the double-byte code pages 932, 936, 949 and 950 (CP_ACP resolved).
bool IsDBCSCodePage(UINT codePage);
// True when `byte` starts a two-byte character in `codePage` (CP_ACP resolved):
// 0x81-0xFE for 936, 949 and 950; 0x81-0x9F and 0xE0-0xFC for 932; never for single-byte pages.
bool IsDBCSLeadByteEx(UINT codePage, unsigned char byte);
// The same for the ANSI code page.
bool IsDBCSLeadByte(unsigned char byte);

}  // namespace vcl
