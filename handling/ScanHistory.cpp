#include "handling/ScanHistory.h"

#include <ctime>
#include <fstream>

#include "handling/CsvText.h"
#include "platform/LocalTime.h"
#include "platform/PathText.h"
#include "platform/PrivateFiles.h"
#include "platform/Trace.h"

namespace korvane {
namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

ScanHistory::ScanHistory(std::filesystem::path file, std::uintmax_t maxBytes, int keptFiles)
    : mFile(std::move(file)), mMaxBytes(maxBytes), mKeptFiles(keptFiles) {}

std::string ScanHistory::timeNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = localTime(now);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string ScanHistory::header() {
    return csvRecord({"time", "phone", "address", "text", "result"});
}

std::filesystem::path ScanHistory::rotated(int index) const {
    std::filesystem::path name = mFile;
    // Joined as paths: a name's string() cannot hold every character on Windows.
    name.replace_filename(mFile.stem());
    name += "." + std::to_string(index);
    name += mFile.extension();
    return name;
}

void ScanHistory::rotate() {
    std::error_code ignored;
    std::filesystem::remove(rotated(mKeptFiles), ignored);
    for (int index = mKeptFiles - 1; index >= 1; --index) {
        std::filesystem::rename(rotated(index), rotated(index + 1), ignored);
    }
    if (mKeptFiles >= 1) {
        std::filesystem::rename(mFile, rotated(1), ignored);
    } else {
        std::filesystem::remove(mFile, ignored);
    }
}

void ScanHistory::append(const ScanRecord& record) {
    try {
        const std::string line =
            csvRecord({record.time, record.clientKey, record.address, record.text, record.result});
        std::lock_guard lock(mLock);
        std::error_code error;
        std::uintmax_t size = std::filesystem::file_size(mFile, error);
        if (error) {
            size = 0;
        }
        const std::uintmax_t start = sizeof kByteOrderMark - 1 + header().size();
        if (size > start && size + line.size() > mMaxBytes) {
            rotate();
            size = 0;
        }
        // Customers' numbers: the folder and the file are the user's alone before a line is in.
        makePrivateFolder(mFile.parent_path());
        if (size == 0) {
            createPrivateFile(mFile);
        }
        std::ofstream out(mFile, std::ios::binary | std::ios::app);
        if (size == 0) {
            out << kByteOrderMark << header();
        }
        out << line;
        out.flush();
        if (!out) {
            traceOutput("ScanHistory: cannot write " + pathText(mFile));
        }
    } catch (const std::exception& failure) {
        traceOutput(std::string("ScanHistory: ") + failure.what());
    }
}

}  // namespace korvane
