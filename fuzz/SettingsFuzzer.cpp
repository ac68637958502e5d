// The settings file parser. Each input is a settings file as a user (or a crash) may have left it,
// plus the values of one run: the file must read without fault, and after the values are written
// into it, reading gives exactly what was written (text as the file form can hold it).
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/Settings.h"
#include "platform/Trace.h"
#include "platform/Utf8.h"

namespace {

using korvane::AppSettings;

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "settings fault: %s\n", what.c_str());
    std::abort();
}

// In memory where there is a tmpfs: the save syncs the file to disk every time. Never destroyed,
// so that the exit handler that removes its folder can still use it.
const std::filesystem::path& settingsPath() {
    static const std::filesystem::path* path = [] {
        korvane::setTraceSink([](const std::string&) {});
        std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        auto dir = base / ("korvane-fuzz-settings-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::atexit([] { std::filesystem::remove_all(settingsPath().parent_path()); });
        return new std::filesystem::path(dir / "korvane-server.ini");
    }();
    return *path;
}

// A value as one line of the file can carry it: no line breaks.
std::string lineValue(FuzzedDataProvider& input) {
    std::string value = input.ConsumeRandomLengthString(64);
    std::erase_if(value, [](char c) { return c == '\n' || c == '\r'; });
    return value;
}

// What reading gives back for a written text: no surrounding blanks, one pair of enclosing
// quotes dropped, at most 2047 characters.
std::string asRead(std::string value) {
    std::size_t first = value.find_first_not_of(" \t");
    value = first == std::string::npos
                ? ""
                : value.substr(first, value.find_last_not_of(" \t") - first + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(korvane::utf8::mid(value, 0, 2047));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::filesystem::path& path = settingsPath();
    AppSettings written;
    written.ipAddress = lineValue(input);
    written.portNo = lineValue(input);
    written.autoStart = input.ConsumeBool();
    written.minimize = input.ConsumeBool();
    written.top = input.ConsumeIntegral<std::int32_t>();
    written.left = input.ConsumeIntegral<std::int32_t>();
    written.height = input.ConsumeIntegral<std::int32_t>();
    written.width = input.ConsumeIntegral<std::int32_t>();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << input.ConsumeRemainingBytesAsString();
    }
    korvane::readSettings(path);
    if (auto failure = korvane::writeSettings(path, written)) {
        fault("write failed: " + *failure);
    }
    AppSettings read = korvane::readSettings(path);
    if (read.ipAddress != asRead(written.ipAddress)) {
        fault("IpAddress read back as [" + read.ipAddress + "]");
    }
    if (read.portNo != asRead(written.portNo)) {
        fault("PortNo read back as [" + read.portNo + "]");
    }
    if (read.autoStart != written.autoStart || read.minimize != written.minimize ||
        read.top != written.top || read.left != written.left || read.height != written.height ||
        read.width != written.width) {
        fault("a number or flag did not read back");
    }
    return 0;
}
