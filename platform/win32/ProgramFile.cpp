#include "platform/ProgramFile.h"

#include <windows.h>

#include <string>

namespace korvane {

std::filesystem::path programFile() {
    // Long paths do not fit MAX_PATH: grow until the name is not cut.
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) {
            return {};
        }
        if (n < name.size()) {
            name.resize(n);
            return std::filesystem::path(name);
        }
        name.resize(name.size() * 2);
    }
}

}  // namespace korvane
