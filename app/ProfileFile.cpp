#include "app/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>

#include "platform/Utf8.h"

namespace korvane {
namespace {

// Values longer than this are cut, as a profile read into a 2048-character buffer cuts them.
constexpr std::size_t kMaxValueLength = 2047;

std::string_view Trim(std::string_view text) {
    const char* blanks = " \t";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char ca = a[i];
        char cb = b[i];
        if (ca >= 'A' && ca <= 'Z') {
            ca = static_cast<char>(ca - 'A' + 'a');
        }
        if (cb >= 'A' && cb <= 'Z') {
            cb = static_cast<char>(cb - 'A' + 'a');
        }
        if (ca != cb) {
            return false;
        }
    }
    return true;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
    std::string_view text = Trim(line);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    std::size_t close = text.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(text.substr(1, close - 1));
}

// The key of a "key=value" line.
std::optional<std::string_view> KeyOf(std::string_view line) {
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(0, equals));
}

std::string ErrorText(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

TProfileFile::TProfileFile(std::filesystem::path pPath) : mPath(std::move(pPath)) {}

void TProfileFile::Load() {
    mLines.clear();
    std::ifstream in(mPath, std::ios::binary);
    if (!in) {
        return;
    }
    std::ostringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    std::size_t start = 0;
    bool sawLineEnd = false;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            if (!sawLineEnd) {
                mLineEnd = "\r\n";
            }
        }
        sawLineEnd = sawLineEnd || end != std::string::npos;
        mLines.push_back(std::move(line));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
}

std::string TProfileFile::ReadString(const std::string& pSection, const std::string& pKey,
                                     const std::string& pDefault) const {
    bool inSection = false;
    for (const std::string& line : mLines) {
        if (auto section = SectionOf(line)) {
            inSection = SameName(*section, pSection);
            continue;
        }
        if (!inSection) {
            continue;
        }
        auto key = KeyOf(line);
        if (!key || !SameName(*key, pKey)) {
            continue;
        }
        std::string_view value = Trim(std::string_view(line).substr(line.find('=') + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(utf8::mid(value, 0, kMaxValueLength));
    }
    return pDefault;
}

void TProfileFile::WriteString(const std::string& pSection, const std::string& pKey,
                               const std::string& pValue) {
    const std::string entry = pKey + "=" + pValue;
    bool inSection = false;
    bool sectionFound = false;
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < mLines.size(); ++i) {
        if (auto section = SectionOf(mLines[i])) {
            if (sectionFound && inSection) {
                break;
            }
            inSection = SameName(*section, pSection);
            if (inSection) {
                sectionFound = true;
                insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (auto key = KeyOf(mLines[i]); key && SameName(*key, pKey)) {
            mLines[i] = entry;
            return;
        }
        if (!Trim(mLines[i]).empty()) {
            insertAt = i + 1;
        }
    }
    if (sectionFound) {
        mLines.insert(mLines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
        return;
    }
    mLines.push_back("[" + pSection + "]");
    mLines.push_back(entry);
}

bool TProfileFile::Save(std::string& pstrError) const {
    std::string text;
    for (const std::string& line : mLines) {
        text += line;
        text += mLineEnd;
    }
    std::string tempPath = mPath.string() + ".XXXXXX";
    int fd = mkstemp(tempPath.data());
    if (fd < 0) {
        pstrError = ErrorText("mkstemp", errno);
        return false;
    }
    // The new file gets the old one's permissions, or those of a newly created file.
    struct stat old {};
    mode_t mode = 0;
    if (stat(mPath.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    const char* failed = nullptr;
    int error = 0;
    std::size_t written = 0;
    while (written < text.size()) {
        ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            failed = "write";
            error = errno;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (!failed && fchmod(fd, mode) != 0) {
        failed = "fchmod";
        error = errno;
    }
    if (!failed && fsync(fd) != 0) {
        failed = "fsync";
        error = errno;
    }
    if (close(fd) != 0 && !failed) {
        failed = "close";
        error = errno;
    }
    if (!failed && rename(tempPath.c_str(), mPath.c_str()) != 0) {
        failed = "rename";
        error = errno;
    }
    if (failed) {
        unlink(tempPath.c_str());
        pstrError = ErrorText(failed, error);
        return false;
    }
    return true;
}

}  // namespace korvane
