#include "core/LogLines.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace korvane {

void LogLines::add(std::string_view line) {
    if (mTexts.empty() || mTexts.back().capacity() - mTexts.back().size() < line.size()) {
        mTexts.emplace_back().reserve(nextRoom(line.size()));
    }
    std::string& text = mTexts.back();
    mSpans.push_back({mFirstText + mTexts.size() - 1, text.size(), line.size()});
    text.append(line);
    mBytes += line.size();
}

std::size_t LogLines::nextRoom(std::size_t lineLength) const {
    return std::max(lineLength, std::clamp(2 * mBytes, kLeastRoom, kMostRoom));
}

void LogLines::append(LogLines&& newer) {
    if (newer.mBytes < kCopiedBytes) {
        for (std::size_t i = 0; i < newer.size(); ++i) {
            add(newer[i]);
        }
        newer = LogLines();
        return;
    }
    const std::size_t renumbered = mFirstText + mTexts.size();
    for (const Span& span : newer.mSpans) {
        mSpans.push_back({span.text - newer.mFirstText + renumbered, span.begin, span.length});
    }
    std::move(newer.mTexts.begin(), newer.mTexts.end(), std::back_inserter(mTexts));
    mBytes += newer.mBytes;
    newer = LogLines();
}

void LogLines::dropOldest(std::size_t count) {
    count = std::min(count, mSpans.size());
    for (std::size_t i = 0; i < count; ++i) {
        mBytes -= mSpans.front().length;
        mSpans.pop_front();
    }
    const std::size_t firstKept = mSpans.empty() ? mFirstText + mTexts.size() : mSpans.front().text;
    while (mFirstText < firstKept) {
        mTexts.pop_front();
        ++mFirstText;
    }
}

std::string_view LogLines::operator[](std::size_t index) const {
    const Span& span = mSpans[index];
    return std::string_view(mTexts[span.text - mFirstText]).substr(span.begin, span.length);
}

}  // namespace korvane
