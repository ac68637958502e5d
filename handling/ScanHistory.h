#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

namespace korvane {

// One barcode request as the history records it.
struct ScanRecord {
    std::string time;  // "yyyy-mm-dd hh:nn:ss", local time
    std::string clientKey;
    std::string address;
    std::string text;
    // "typed", "skipped: duplicate", "not typed: <reason>", or "not delivered" when the keys
    // went but the window did not take the pasted text.
    std::string result;
};

// The scan history: a CSV file (UTF-8 with a byte order mark, so that spreadsheets read kanji
// right; quoted fields, see CsvText.h) with a header line and one line per barcode request.
// When a line would take the file past `maxBytes`, the file becomes "<stem>.1<ext>" (the older
// ones move up to "<stem>.<keptFiles><ext>", the oldest is deleted) and a new file begins.
// The folder and the files are made the user's alone (PrivateFiles.h) before a line goes in.
// Any thread; lines are written whole and in call order. A failure to write is traced and the
// line lost: the history never holds up a scan.
class ScanHistory {
  public:
    static constexpr std::uintmax_t kDefaultMaxBytes = 4 * 1024 * 1024;
    static constexpr int kDefaultKeptFiles = 5;

    explicit ScanHistory(std::filesystem::path file, std::uintmax_t maxBytes = kDefaultMaxBytes,
                         int keptFiles = kDefaultKeptFiles);

    void append(const ScanRecord& record);
    const std::filesystem::path& file() const { return mFile; }

    // The local time now as the history writes it, "yyyy-mm-dd hh:nn:ss".
    static std::string timeNow();
    // The CSV file's first line, after the byte order mark.
    static std::string header();

  private:
    void rotate();
    std::filesystem::path rotated(int index) const;

    const std::filesystem::path mFile;
    const std::uintmax_t mMaxBytes;
    const int mKeptFiles;
    std::mutex mLock;
};

}  // namespace korvane
