#pragma once

#include <cstdio>
#include <string>

namespace korvane {

// std::fopen with a UTF-8 path on every platform, for the modes "rb" and "wb". A file opened for
// reading may be renamed over or removed while the stream is read, which goes on with the bytes
// the file had when it was opened: POSIX systems allow that anyway; Windows cannot replace a file
// that is open, so there the file is copied whole into a temporary file that is deleted when the
// stream closes, and the file itself is closed again at once. Null on failure, with errno saying
// why.
std::FILE* openFile(const std::string& path, const char* mode);

}  // namespace korvane
