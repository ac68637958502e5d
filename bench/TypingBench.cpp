#include "bench/TypingBench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/EntrySession.h"

namespace korvane::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLength = 100;
constexpr double kAsciiGoal = 500;
constexpr double kKanjiGoal = 200;

// A character of the Basic Multilingual Plane beyond U+07FF, in UTF-8.
std::string utf8Of(char32_t point) {
    return {static_cast<char>(0xE0 | (point >> 12)),
            static_cast<char>(0x80 | ((point >> 6) & 0x3F)),
            static_cast<char>(0x80 | (point & 0x3F))};
}

// Printable ASCII, shifted and plain, a different mix each run.
std::string asciiBarcode(int run) {
    std::string text;
    for (int i = 0; i < kLength; ++i) {
        text += static_cast<char>(0x21 + (i * 7 + run) % 94);
    }
    return text;
}

// 100 different kanji, other ones each run.
std::string kanjiBarcode(int run) {
    std::string text;
    for (int i = 0; i < kLength; ++i) {
        text += utf8Of(static_cast<char32_t>(0x4E00 + ((run * kLength + i) * 13) % 0x5000));
    }
    return text;
}

struct Barcode {
    const char* name;
    std::string (*make)(int run);
};

const Barcode kBarcodes[] = {
    {"1 character", [](int) { return std::string("A"); }},
    {"100 ASCII", asciiBarcode},
    {"100 kanji", kanjiBarcode},
};

enum class Method { Typed, Pasted };

struct Runs {
    std::vector<double> ms;
    int right = 0;
};

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One barcode given one way into a new entry; false when the entry did not come up, twice (a
// busy machine once kept zenity from coming up in time).
bool runOnce(EntrySession& session, Method method, const std::string& text, Runs& runs) {
    WindowHandle window = session.startEntry();
    if (window == 0) {
        window = session.startEntry();
    }
    if (window == 0) {
        std::fprintf(stderr, "%s: the GTK entry did not come up (zenity)\n",
                     session.name().c_str());
        return false;
    }
    Desktop& desktop = session.desktop();
    const auto start = Clock::now();
    const DesktopError given = method == Method::Typed
                                   ? desktop.typeText(window, text, std::chrono::milliseconds(0))
                                   : desktop.pasteText(window, text);
    const DesktopError entered = desktop.pressSuffixKey(window, "1");
    const std::string result = session.result();
    runs.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (given || entered) {
        std::fprintf(stderr, "  %s: %s\n", session.name().c_str(),
                     (given ? given : entered).message().c_str());
    }
    runs.right += result == text ? 1 : 0;
    return true;
}

std::string rate(double ms) {
    char text[32];
    if (ms <= 0.05) {
        return "as 1 char";
    }
    std::snprintf(text, sizeof text, "%.0f", kLength / (ms / 1000));
    return text;
}

// The session's rows; false when a goal was missed or an entry did not come up.
bool sessionRows(EntrySession& session, int runs) {
    constexpr std::size_t kinds = std::size(kBarcodes);
    Runs typed[kinds];
    Runs pasted[kinds];
    for (int run = 0; run < runs; ++run) {
        for (std::size_t kind = 0; kind < kinds; ++kind) {
            const std::string text = kBarcodes[kind].make(run);
            if (!runOnce(session, Method::Typed, text, typed[kind]) ||
                !runOnce(session, Method::Pasted, text, pasted[kind])) {
                return false;
            }
        }
    }
    bool met = true;
    const double typedBase = median(typed[0].ms);
    const double pastedBase = median(pasted[0].ms);
    std::printf("  %-6s %-12s %9.1f %9s %5d/%-3d %9.1f %9s %5d/%d\n", session.name().c_str(),
                kBarcodes[0].name, typedBase, "", typed[0].right, runs, pastedBase, "",
                pasted[0].right, runs);
    for (std::size_t kind = 1; kind < kinds; ++kind) {
        const double typedMs = median(typed[kind].ms) - typedBase;
        const double pastedMs = median(pasted[kind].ms) - pastedBase;
        std::printf("  %-6s %-12s %9.1f %9s %5d/%-3d %9.1f %9s %5d/%d\n", session.name().c_str(),
                    kBarcodes[kind].name, typedMs, rate(typedMs).c_str(), typed[kind].right, runs,
                    pastedMs, rate(pastedMs).c_str(), pasted[kind].right, runs);
        const double goal = kind == 1 ? kAsciiGoal : kKanjiGoal;
        const bool fast = typedMs <= 0.05 || kLength / (typedMs / 1000) >= goal;
        if (!fast || typed[kind].right != runs || pasted[kind].right != runs) {
            std::printf("    MISSED: typed %s at %.0f characters a second, every one right\n",
                        kBarcodes[kind].name, goal);
            met = false;
        }
    }
    return met;
}

}  // namespace

int typingRows(int runs) {
    std::printf(
        "Typed keys and the paste into a GTK entry (zenity), %d runs: the median ms from\n"
        "the first key to the entry's text after Enter, a 100-character barcode's less a\n"
        "one-character one's (that row: the whole time), and the runs that arrived right\n",
        runs);
    std::printf("  %-6s %-12s %9s %9s %9s %9s %9s %9s\n", "", "barcode", "typed ms", "chars/s",
                "right", "pasted ms", "chars/s", "right");
    bool met = true;
    {
        std::unique_ptr<EntrySession> x11 = x11Entries();
        met = sessionRows(*x11, runs) && met;
    }
    if (std::unique_ptr<EntrySession> sway = swayEntries()) {
        met = sessionRows(*sway, runs) && met;
    }
    std::printf(
        "goals, typed: %.0f ASCII and %.0f kanji characters a second, every one right: %s\n",
        kAsciiGoal, kKanjiGoal, met ? "met" : "MISSED");
    return met ? 0 : 1;
}

}  // namespace korvane::bench
