#pragma once

#include <string>

// Files put in place under another name. Windows only.
namespace korvane::win32 {

// A name beside `path` that no other thread or process uses: "<path>.<process id>-<n>.tmp".
std::wstring temporaryPathBeside(const std::wstring& path);

// MoveFileExW with MOVEFILE_REPLACE_EXISTING and `extraFlags`; 0 on success, else the system's
// error code. Windows cannot replace a file that another program holds open without sharing its
// deletion (an editor, a virus scanner, the server's own sender while it copies a capture): on
// such a refusal it tries again every 25 ms, for a second at most.
unsigned long moveReplacing(const std::wstring& from, const std::wstring& to,
                            unsigned long extraFlags = 0);

}  // namespace korvane::win32
