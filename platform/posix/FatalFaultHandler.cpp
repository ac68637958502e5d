#include "platform/FatalFaultHandler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace korvane {
namespace {

// Everything the handler uses is made before the fault: it may only write.
char gFolder[4096];
char gHeader[2048];
std::size_t gHeaderSize = 0;
constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr std::size_t kAlternateStackBytes = 64 * 1024;
constexpr int kMaxFrames = 64;

// A fixed-size text built without the heap.
class SignalText {
  public:
    void add(const char* text) {
        while (*text && mSize + 1 < sizeof mText) {
            mText[mSize++] = *text++;
        }
        mText[mSize] = '\0';
    }
    void addNumber(std::uintmax_t value, unsigned base, int minDigits) {
        char digits[32];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value != 0 || n < minDigits);
        char reversed[33];
        for (int i = 0; i < n; ++i) {
            reversed[i] = digits[n - 1 - i];
        }
        reversed[n] = '\0';
        add(reversed);
    }
    const char* text() const { return mText; }
    std::size_t size() const { return mSize; }

  private:
    char mText[4200] = {};
    std::size_t mSize = 0;
};

const char* signalName(int signal) {
    switch (signal) {
        case SIGSEGV:
            return "SIGSEGV";
        case SIGBUS:
            return "SIGBUS";
        case SIGILL:
            return "SIGILL";
        case SIGFPE:
            return "SIGFPE";
        case SIGABRT:
            return "SIGABRT";
    }
    return "?";
}

// The time of day in UTC, by arithmetic alone (gmtime_r may take a lock).
struct UtcTime {
    std::uintmax_t year, month, day, hour, minute, second;
};

UtcTime utcNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t days = now.tv_sec / 86400;
    const std::int64_t inDay = now.tv_sec % 86400;
    // Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
    const std::int64_t z = days + 719468;
    const std::int64_t era = z / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::uintmax_t>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0)),
            static_cast<std::uintmax_t>(month),
            static_cast<std::uintmax_t>(dayOfYear - (153 * mp + 2) / 5 + 1),
            static_cast<std::uintmax_t>(inDay / 3600),
            static_cast<std::uintmax_t>(inDay / 60 % 60),
            static_cast<std::uintmax_t>(inDay % 60)};
}

// "yyyymmdd-hhmmss" for a file name, "yyyy/mm/dd hh:mm:ss" to be read.
void addTime(SignalText& text, const UtcTime& time, bool forName) {
    text.addNumber(time.year, 10, 4);
    text.add(forName ? "" : "/");
    text.addNumber(time.month, 10, 2);
    text.add(forName ? "" : "/");
    text.addNumber(time.day, 10, 2);
    text.add(forName ? "-" : " ");
    text.addNumber(time.hour, 10, 2);
    text.add(forName ? "" : ":");
    text.addNumber(time.minute, 10, 2);
    text.add(forName ? "" : ":");
    text.addNumber(time.second, 10, 2);
}

void writeAll(int fd, const char* text, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, text, size);
        if (n <= 0) {
            return;
        }
        text += n;
        size -= static_cast<std::size_t>(n);
    }
}

void writeReport(int signal, const siginfo_t* info) {
    const UtcTime now = utcNow();
    SignalText path;
    path.add(gFolder);
    path.add("/crash-");
    addTime(path, now, true);
    path.add("-");
    path.addNumber(static_cast<std::uintmax_t>(::getpid()), 10, 1);
    path.add(".txt");
    const int fd = ::open(path.text(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    writeAll(fd, gHeader, gHeaderSize);
    SignalText cause;
    cause.add("日時: ");
    addTime(cause, now, false);
    cause.add(" (UTC)\nシグナル: ");
    cause.addNumber(static_cast<std::uintmax_t>(signal), 10, 1);
    cause.add(" (");
    cause.add(signalName(signal));
    cause.add(")\nアドレス: 0x");
    cause.addNumber(reinterpret_cast<std::uintptr_t>(info ? info->si_addr : nullptr), 16, 1);
    cause.add("\nスタック:\n");
    writeAll(fd, cause.text(), cause.size());
    // backtrace_symbols_fd writes without allocating; backtrace was called once at the
    // installation, so its library is loaded already.
    void* frames[kMaxFrames];
    ::backtrace_symbols_fd(frames, ::backtrace(frames, kMaxFrames), fd);
    ::close(fd);
}

void onFatalSignal(int signal, siginfo_t* info, void*) {
    const int savedErrno = errno;
    writeReport(signal, info);
    // The default action ends the process once the handler returns: a fault repeats its
    // instruction, a raised signal is delivered again (it is blocked until then).
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    ::sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signal, &defaultAction, nullptr);
    if (info == nullptr || info->si_code <= 0) {
        ::raise(signal);
    }
    errno = savedErrno;
}

void copyText(char* to, std::size_t capacity, std::string_view text) {
    const std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    ::memcpy(to, text.data(), n);
    to[n] = '\0';
}

}  // namespace

void installFatalFaultHandler(const std::filesystem::path& folder, std::string_view header) {
    if (folder.native().size() >= sizeof gFolder) {
        return;
    }
    copyText(gFolder, sizeof gFolder, folder.native());
    copyText(gHeader, sizeof gHeader, header);
    gHeaderSize = ::strlen(gHeader);
    // Loads the unwinder now: its first use allocates.
    void* frames[2];
    ::backtrace(frames, 2);
    // The handler's own stack, so that a stack overflow can still be written down. Kept for the
    // life of the process.
    static char* alternateStack = new char[kAlternateStackBytes];
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = kAlternateStackBytes;
    ::sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    ::sigemptyset(&action.sa_mask);
    for (int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace korvane
