#include "core/Code128.h"

#include <array>
#include <cstddef>

namespace korvane {
namespace {

// Bar and space widths of each symbol value, bar first; the stop pattern (106) has a seventh
// element, the closing bar.
constexpr std::array<const char*, 107> kPatterns{
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312",  "132212",
    "221213", "221312", "231212", "112232", "122132", "122231", "113222", "123122",  "123221",
    "223211", "221132", "221231", "213212", "223112", "312131", "311222", "321122",  "321221",
    "312212", "322112", "322211", "212123", "212321", "232121", "111323", "131123",  "131321",
    "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331",  "132131",
    "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311",  "213131",
    "311123", "311321", "331121", "312113", "312311", "332111", "314111", "221411",  "431111",
    "111224", "111422", "121124", "121421", "141122", "141221", "112214", "112412",  "122114",
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",  "111242",
    "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211",  "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113",  "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232", "2331112",
};

constexpr int kSwitchToC = 99;
constexpr int kSwitchToB = 100;
constexpr int kStartB = 104;
constexpr int kStartC = 105;
constexpr int kStop = 106;
constexpr int kChecksumModulus = 103;

enum class CodeSet { None, B, C };

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t digitRun(std::string_view text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && isDigit(text[end])) {
        ++end;
    }
    return end - from;
}

// A pair of digits is one symbol in C against two in B, but a switch costs one. From B it pays
// from four digits on; an odd run takes its first digit in B so that C gets whole pairs.
CodeSet chooseCodeSet(std::string_view text, std::size_t at, CodeSet current) {
    const std::size_t run = digitRun(text, at);
    if (run < 2) {
        return CodeSet::B;
    }
    if (current == CodeSet::B) {
        return run >= 4 && run % 2 == 0 ? CodeSet::C : CodeSet::B;
    }
    return CodeSet::C;
}

// The symbol values from the start code to the last character, without checksum and stop.
std::vector<int> symbolValues(std::string_view text) {
    std::vector<int> values;
    CodeSet current = CodeSet::None;
    for (std::size_t at = 0; at < text.size();) {
        const CodeSet next = chooseCodeSet(text, at, current);
        if (next != current) {
            const bool toC = next == CodeSet::C;
            if (current == CodeSet::None) {
                values.push_back(toC ? kStartC : kStartB);
            } else {
                values.push_back(toC ? kSwitchToC : kSwitchToB);
            }
            current = next;
        }
        if (current == CodeSet::C) {
            values.push_back((text[at] - '0') * 10 + (text[at + 1] - '0'));
            at += 2;
        } else {
            values.push_back(text[at] - ' ');
            at += 1;
        }
    }
    return values;
}

void appendPattern(std::vector<bool>& modules, int value) {
    bool bar = true;
    for (const char* width = kPatterns[static_cast<std::size_t>(value)]; *width != '\0'; ++width) {
        modules.insert(modules.end(), static_cast<std::size_t>(*width - '0'), bar);
        bar = !bar;
    }
}

}  // namespace

std::optional<std::vector<bool>> encodeCode128(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    for (char c : text) {
        if (c < ' ' || c > '~') {
            return std::nullopt;
        }
    }
    std::vector<int> values = symbolValues(text);
    int checksum = values.front();
    for (std::size_t i = 1; i < values.size(); ++i) {
        checksum += static_cast<int>(i) * values[i];
    }
    values.push_back(checksum % kChecksumModulus);
    values.push_back(kStop);

    std::vector<bool> modules(kCode128QuietZone, false);
    for (int value : values) {
        appendPattern(modules, value);
    }
    modules.insert(modules.end(), kCode128QuietZone, false);
    return modules;
}

}  // namespace korvane
