#include "platform/ProfileFile.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>

#include "platform/FileReplace.h"
#include "platform/Utf8.h"

namespace korvane {
namespace {

// Values longer than this are cut, as a profile read into a 2048-character buffer cuts them.
constexpr std::size_t kMaxValueLength = 2047;

std::string_view trim(std::string_view text) {
    const char* blanks = " \t";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
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
std::optional<std::string_view> sectionOf(std::string_view line) {
    std::string_view text = trim(line);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    std::size_t close = text.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return trim(text.substr(1, close - 1));
}

// The key of a "key=value" line.
std::optional<std::string_view> keyOf(std::string_view line) {
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return trim(line.substr(0, equals));
}

}  // namespace

ProfileFile::ProfileFile(std::filesystem::path path) : mPath(std::move(path)) {}

void ProfileFile::load() {
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

std::string ProfileFile::readString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
    return find(section, key).value_or(fallback);
}

std::optional<std::string> ProfileFile::find(const std::string& section,
                                             const std::string& key) const {
    bool inSection = false;
    for (const std::string& line : mLines) {
        if (auto found = sectionOf(line)) {
            inSection = sameName(*found, section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        auto found = keyOf(line);
        if (!found || !sameName(*found, key)) {
            continue;
        }
        std::string_view value = trim(std::string_view(line).substr(line.find('=') + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(utf8::mid(value, 0, kMaxValueLength));
    }
    return std::nullopt;
}

void ProfileFile::writeString(const std::string& section, const std::string& key,
                              const std::string& value) {
    const std::string entry = key + "=" + value;
    bool inSection = false;
    bool sectionFound = false;
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < mLines.size(); ++i) {
        if (auto found = sectionOf(mLines[i])) {
            if (sectionFound && inSection) {
                break;
            }
            inSection = sameName(*found, section);
            if (inSection) {
                sectionFound = true;
                insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (auto found = keyOf(mLines[i]); found && sameName(*found, key)) {
            mLines[i] = entry;
            return;
        }
        if (!trim(mLines[i]).empty()) {
            insertAt = i + 1;
        }
    }
    if (sectionFound) {
        mLines.insert(mLines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
        return;
    }
    mLines.push_back("[" + section + "]");
    mLines.push_back(entry);
}

void ProfileFile::removeKey(const std::string& section, const std::string& key) {
    bool inSection = false;
    std::erase_if(mLines, [&](const std::string& line) {
        if (auto found = sectionOf(line)) {
            inSection = sameName(*found, section);
            return false;
        }
        auto found = keyOf(line);
        return inSection && found && sameName(*found, key);
    });
}

std::optional<std::string> ProfileFile::save() const {
    std::string text;
    for (const std::string& line : mLines) {
        text += line;
        text += mLineEnd;
    }
    return replaceFileContents(mPath, text);
}

}  // namespace korvane
