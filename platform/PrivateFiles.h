#pragma once

#include <filesystem>

namespace korvane {

// What the program keeps about its users (the approved phones' keys, the customers' numbers in
// the scan history, captures of the screen) closed to the other users of the PC.
//
// POSIX: a private folder has mode 0700, a private file 0600. Windows: a private folder or file
// has a protected DACL (nothing inherited from the folder above) that allows the process's user
// alone, a folder's grant inherited by what is made in it; one made here is born so. On both, only
// the user's own folder or file (owned by the user's SID on Windows), never one reached through a
// link, is changed. A Windows file system that keeps no DACL (Wine's) reports Unchanged.
// Any thread; each call stands alone (a folder removed meanwhile is made again by the next).

enum class Privacy {
    Unchanged,  // private already, or not there (a file), or not the user's to change
    Created,    // a folder made now, private
    Tightened,  // was open to others and is private now
    Failed,     // could not be made or tightened
};

// Makes `folder` with its missing parents (those with the mode the system gives them), and makes
// it private; a folder there already is tightened.
Privacy makePrivateFolder(const std::filesystem::path& folder);

// Tightens the folder at `folder` when it is there and open to others; makes none.
Privacy tightenFolder(const std::filesystem::path& folder);

// Tightens the file at `file` when it is there and open to others.
Privacy tightenFile(const std::filesystem::path& file);

// Makes an empty private file at `file` when none is there (Created), so that what is written
// into it later was never open to others, not even to one who opened the file before a chmod;
// a file there already is tightened. The folder must exist.
Privacy createPrivateFile(const std::filesystem::path& file);

}  // namespace korvane
