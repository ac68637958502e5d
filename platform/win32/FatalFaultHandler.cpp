#include "platform/FatalFaultHandler.h"

// windows.h first: dbghelp.h uses its types.
#include <windows.h>

#include <dbghelp.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

namespace korvane {
namespace {

// Made before the fault: the filter only formats into fixed buffers and writes.
std::wstring gFolder;
std::string gHeader;

// A fixed-size wide text built without the heap.
class FaultText {
  public:
    void add(const wchar_t* text) {
        while (*text && mSize + 1 < kCapacity) {
            mText[mSize++] = *text++;
        }
        mText[mSize] = L'\0';
    }
    void addNumber(std::uint64_t value, unsigned base, int minDigits) {
        wchar_t digits[32];
        int n = 0;
        do {
            digits[n++] = L"0123456789ABCDEF"[value % base];
            value /= base;
        } while (value != 0 || n < minDigits);
        while (n > 0 && mSize + 1 < kCapacity) {
            mText[mSize++] = digits[--n];
        }
        mText[mSize] = L'\0';
    }
    const wchar_t* text() const { return mText; }
    std::size_t size() const { return mSize; }

  private:
    static constexpr std::size_t kCapacity = 4096;
    wchar_t mText[kCapacity] = {};
    std::size_t mSize = 0;
};

// "<folder>\crash-yyyymmdd-hhmmss-<process>", the time in UTC.
FaultText reportStem(const SYSTEMTIME& now) {
    FaultText stem;
    stem.add(gFolder.c_str());
    stem.add(L"\\crash-");
    stem.addNumber(now.wYear, 10, 4);
    stem.addNumber(now.wMonth, 10, 2);
    stem.addNumber(now.wDay, 10, 2);
    stem.add(L"-");
    stem.addNumber(now.wHour, 10, 2);
    stem.addNumber(now.wMinute, 10, 2);
    stem.addNumber(now.wSecond, 10, 2);
    stem.add(L"-");
    stem.addNumber(::GetCurrentProcessId(), 10, 1);
    return stem;
}

HANDLE createFile(FaultText path, const wchar_t* extension) {
    path.add(extension);
    return ::CreateFileW(path.text(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
}

void writeText(HANDLE file, const char* text, std::size_t size) {
    DWORD written = 0;
    ::WriteFile(file, text, static_cast<DWORD>(size), &written, nullptr);
}

// When and what, in UTF-8: "日時: yyyy/mm/dd hh:mm:ss (UTC)", then "例外コード: 0x..." and
// "アドレス: 0x...".
void writeCause(HANDLE file, const SYSTEMTIME& now, EXCEPTION_POINTERS* info) {
    char line[256];
    std::size_t size = 0;
    auto add = [&](const char* text) {
        while (*text && size + 1 < sizeof line) {
            line[size++] = *text++;
        }
    };
    auto addNumber = [&](std::uint64_t value, unsigned base, int minDigits) {
        char digits[24];
        int n = 0;
        do {
            digits[n++] = "0123456789ABCDEF"[value % base];
            value /= base;
        } while (value != 0 || n < minDigits);
        while (n > 0 && size + 1 < sizeof line) {
            line[size++] = digits[--n];
        }
    };
    auto addHex = [&](std::uint64_t value) { addNumber(value, 16, 1); };
    add("日時: ");
    addNumber(now.wYear, 10, 4);
    add("/");
    addNumber(now.wMonth, 10, 2);
    add("/");
    addNumber(now.wDay, 10, 2);
    add(" ");
    addNumber(now.wHour, 10, 2);
    add(":");
    addNumber(now.wMinute, 10, 2);
    add(":");
    addNumber(now.wSecond, 10, 2);
    add(" (UTC)\n");
    if (info == nullptr || info->ExceptionRecord == nullptr) {
        add("内容: std::terminate による終了\n");
    } else {
        add("例外コード: 0x");
        addHex(info->ExceptionRecord->ExceptionCode);
        add("\nアドレス: 0x");
        addHex(reinterpret_cast<std::uintptr_t>(info->ExceptionRecord->ExceptionAddress));
        add("\n");
    }
    writeText(file, line, size);
}

void writeReport(EXCEPTION_POINTERS* info) {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    const FaultText stem = reportStem(now);
    HANDLE dump = createFile(stem, L".dmp");
    if (dump != INVALID_HANDLE_VALUE) {
        MINIDUMP_EXCEPTION_INFORMATION exception{::GetCurrentThreadId(), info, FALSE};
        ::MiniDumpWriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), dump, MiniDumpNormal,
                            info ? &exception : nullptr, nullptr, nullptr);
        ::CloseHandle(dump);
    }
    HANDLE text = createFile(stem, L".txt");
    if (text != INVALID_HANDLE_VALUE) {
        writeText(text, gHeader.data(), gHeader.size());
        writeCause(text, now, info);
        ::CloseHandle(text);
    }
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* info) {
    writeReport(info);
    // Ends the process with the exception's code; the report is written, the system's fault
    // dialog would only repeat it.
    return EXCEPTION_EXECUTE_HANDLER;
}

[[noreturn]] void onTerminate() {
    writeReport(nullptr);
    // abort() would show the runtime's message box first.
    ::TerminateProcess(::GetCurrentProcess(), 3);
    std::_Exit(3);
}

}  // namespace

void installFatalFaultHandler(const std::filesystem::path& folder, std::string_view header) {
    if (folder.native().size() >= 4000) {
        return;
    }
    gFolder = folder.native();
    gHeader.assign(header);
    ::SetUnhandledExceptionFilter(onUnhandledException);
    std::set_terminate(onTerminate);
}

}  // namespace korvane
