#include "platform/AppPaths.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "platform/ProcessId.h"

namespace korvane {
namespace {

constexpr wchar_t kFolderName[] = L"korvane-server";
// The installer puts its uninstaller beside the programs; uninstalling removes that folder.
constexpr wchar_t kUninstallerName[] = L"uninstall.exe";

std::filesystem::path besideProgram(const std::filesystem::path& program, const char* extension) {
    std::filesystem::path file = program;
    file.replace_extension(extension);
    return file;
}

// Saving writes a temporary file beside the file and renames it over it: a file that is there
// already is no use in a folder where that cannot be done (Program Files for a user). An installed
// copy's folder may be the user's to write, but it goes with the uninstall; the user's files stay.
bool usableBesideProgram(const std::filesystem::path& file) {
    std::error_code ignored;
    if (std::filesystem::exists(file.parent_path() / kUninstallerName, ignored)) {
        return false;
    }
    static std::atomic<unsigned> counter{0};
    const std::wstring probe =
        (file.parent_path() / (L".korvane-probe-" + std::to_wstring(currentProcessId()) + L"-" +
                               std::to_wstring(++counter)))
            .wstring();
    HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::CloseHandle(handle);
    return true;
}

// %name%\korvane-server, created when missing; the temporary folder when the variable is unset.
std::filesystem::path userFolder(const wchar_t* name) {
    std::wstring value(MAX_PATH, L'\0');
    DWORD n = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (n >= value.size()) {
        value.resize(n);
        n = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    }
    std::error_code ignored;
    std::filesystem::path base = n > 0 && n < value.size()
                                     ? std::filesystem::path(value.substr(0, n))
                                     : std::filesystem::temp_directory_path(ignored);
    std::filesystem::path folder = base / kFolderName;
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

}  // namespace

std::filesystem::path settingsFilePath(const std::filesystem::path& program) {
    std::filesystem::path beside = besideProgram(program, ".ini");
    if (usableBesideProgram(beside)) {
        return beside;
    }
    return userFolder(L"APPDATA") / L"korvane-server.ini";
}

std::filesystem::path captureFilePath(const std::filesystem::path& program) {
    std::filesystem::path beside = besideProgram(program, ".png");
    if (usableBesideProgram(beside)) {
        return beside;
    }
    // The user's profile is closed to other users already.
    return userFolder(L"LOCALAPPDATA") / L"korvane-server.png";
}

}  // namespace korvane
