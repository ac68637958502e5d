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

#include "app/Settings.h"
#include "platform/Trace.h"
#include "platform/Utf8.h"

namespace {

using korvane::TAppSettings;

[[noreturn]] void Fault(const std::string& what) {
    std::fprintf(stderr, "settings fault: %s\n", what.c_str());
    std::abort();
}

// In memory where there is a tmpfs: the save syncs the file to disk every time. Never destroyed,
// so that the exit handler that removes its folder can still use it.
const std::filesystem::path& SettingsPath() {
    static const std::filesystem::path* path = [] {
        korvane::setTraceSink([](const std::string&) {});
        std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        auto dir = base / ("korvane-fuzz-settings-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::atexit([] { std::filesystem::remove_all(SettingsPath().parent_path()); });
        return new std::filesystem::path(dir / "korvane-server.ini");
    }();
    return *path;
}

// A value as one line of the file can carry it: no line breaks.
std::string LineValue(FuzzedDataProvider& input) {
    std::string value = input.ConsumeRandomLengthString(64);
    std::erase_if(value, [](char c) { return c == '\n' || c == '\r'; });
    return value;
}

// What reading gives back for a written text: no surrounding blanks, one pair of enclosing
// quotes dropped, at most 2047 characters.
std::string AsRead(std::string value) {
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
    const std::filesystem::path& path = SettingsPath();
    TAppSettings written;
    written.IpAddress = LineValue(input);
    written.PortNo = LineValue(input);
    written.AutoStart = input.ConsumeBool();
    written.Minimize = input.ConsumeBool();
    written.Top = input.ConsumeIntegral<std::int32_t>();
    written.Left = input.ConsumeIntegral<std::int32_t>();
    written.Height = input.ConsumeIntegral<std::int32_t>();
    written.Width = input.ConsumeIntegral<std::int32_t>();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << input.ConsumeRemainingBytesAsString();
    }
    korvane::ReadSettings(path);
    std::string error;
    if (!korvane::WriteSettings(path, written, error)) {
        Fault("write failed: " + error);
    }
    TAppSettings read = korvane::ReadSettings(path);
    if (read.IpAddress != AsRead(written.IpAddress)) {
        Fault("IpAddress read back as [" + read.IpAddress + "]");
    }
    if (read.PortNo != AsRead(written.PortNo)) {
        Fault("PortNo read back as [" + read.PortNo + "]");
    }
    if (read.AutoStart != written.AutoStart || read.Minimize != written.Minimize ||
        read.Top != written.Top || read.Left != written.Left || read.Height != written.Height ||
        read.Width != written.Width) {
        Fault("a number or flag did not read back");
    }
    return 0;
}
