// Files, folders and paths. Paths are ANSI texts; "/" and "\" both separate on input, and a
// drive letter ("C:") or UNC prefix ("\\server\share") stands for an absolute path.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/rtl/Types.h"

namespace vcl {

inline constexpr char PathDelim = '/';

// The path as the operating system takes it: separators turned into "/", "C:" and the
// "\\server" of a UNC path turned into "/" (so "C:\a" is "/a" and "\\srv\share\a" is
// "/srv/share/a"), ANSI text converted to UTF-8.
std::string SysPath(std::string_view path);
// A path the operating system gave (UTF-8) as ANSI text.
AnsiString FromSysPath(std::string_view sysPath);

bool FileExists(std::string_view fileName);  // a regular file
bool DirectoryExists(std::string_view dir);
// Creates the folder and any missing parents; false when that fails or `dir` is empty.
bool ForceDirectories(std::string_view dir);
bool DeleteFile(std::string_view fileName);
bool RenameFile(std::string_view oldName, std::string_view newName);
// Copies a file; with failIfExists an existing target is left alone and false returned.
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists);
// Size in bytes, -1 when the file does not exist.
std::int64_t FileSize(std::string_view fileName);
// Last modification as a local TDateTime; -1 when the file does not exist.
TDateTime FileDateTime(std::string_view fileName);

// Path parts; both "/" and "\" (and a drive's ":") end the folder part.
AnsiString ExtractFileName(std::string_view fileName);
AnsiString ExtractFilePath(std::string_view fileName);  // with the trailing delimiter
AnsiString ExtractFileDir(std::string_view fileName);   // without it
AnsiString ExtractFileExt(std::string_view fileName);   // with the dot, "" when none
AnsiString ChangeFileExt(std::string_view fileName, std::string_view extension);
AnsiString IncludeTrailingPathDelimiter(
    std::string_view path);  // adds "/" unless it ends in "/" or "\"
AnsiString ExcludeTrailingPathDelimiter(std::string_view path);
bool IsPathDelimiter(std::string_view s, int index);  // 1-based
// An absolute path with "." and ".." resolved (textually, the file need not exist).
AnsiString ExpandFileName(std::string_view fileName);

// Reads or writes a whole file as bytes; raises EInOutError with the system's error code.
std::string ReadFileBytes(std::string_view fileName);
void WriteFileBytes(std::string_view fileName, std::string_view bytes);

}  // namespace vcl
