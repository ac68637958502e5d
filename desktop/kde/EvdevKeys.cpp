#include "desktop/kde/EvdevKeys.h"

#include <array>

namespace korvane::kde {

namespace {

constexpr std::uint32_t kEnter = 28;
constexpr std::uint32_t kTab = 15;
constexpr std::uint32_t kF2 = 60;

// Printable ASCII from ' ' to '~' on the US layout: the key's event code and whether it is the
// shifted level.
constexpr std::array<EvdevStroke, 95> kAscii{{
    {57, false}, {2, true},   {40, true},  {4, true},   {5, true},   {6, true},   {8, true},
    {40, false}, {10, true},  {11, true},  {9, true},   {13, true},  {51, false}, {12, false},
    {52, false}, {53, false}, {11, false}, {2, false},  {3, false},  {4, false},  {5, false},
    {6, false},  {7, false},  {8, false},  {9, false},  {10, false}, {39, true},  {39, false},
    {51, true},  {13, false}, {52, true},  {53, true},  {3, true},   {30, true},  {48, true},
    {46, true},  {32, true},  {18, true},  {33, true},  {34, true},  {35, true},  {23, true},
    {36, true},  {37, true},  {38, true},  {50, true},  {49, true},  {24, true},  {25, true},
    {16, true},  {19, true},  {31, true},  {20, true},  {22, true},  {47, true},  {17, true},
    {45, true},  {21, true},  {44, true},  {26, false}, {43, false}, {27, false}, {7, true},
    {12, true},  {41, false}, {30, false}, {48, false}, {46, false}, {32, false}, {18, false},
    {33, false}, {34, false}, {35, false}, {23, false}, {36, false}, {37, false}, {38, false},
    {50, false}, {49, false}, {24, false}, {25, false}, {16, false}, {19, false}, {31, false},
    {20, false}, {22, false}, {47, false}, {17, false}, {45, false}, {21, false}, {44, false},
    {26, true},  {43, true},  {27, true},  {41, true},
}};

// The length of the UTF-8 sequence that starts with `lead`; 1 for a stray byte.
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    return lead >= 0xC0 ? 2 : 1;
}

}  // namespace

std::uint32_t evdevCodeOf(VirtualKey key) {
    switch (key) {
        case VirtualKey::Return:
            return kEnter;
        case VirtualKey::Tab:
            return kTab;
        case VirtualKey::F2:
            return kF2;
        case VirtualKey::NoKey:
            break;
    }
    return 0;
}

std::vector<TextRun> splitForKeys(const std::string& text) {
    std::vector<TextRun> runs;
    auto addKey = [&](EvdevStroke stroke) {
        if (runs.empty() || !runs.back().pasted.empty()) {
            runs.emplace_back();
        }
        runs.back().keys.push_back(stroke);
    };
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead >= 0x20 && lead <= 0x7E) {
            addKey(kAscii[lead - 0x20]);
        } else if (lead == '\n') {
            addKey({kEnter, false});
        } else if (lead == '\t') {
            addKey({kTab, false});
        } else if (lead >= 0x80) {
            const std::size_t length = std::min(sequenceLength(lead), text.size() - at);
            if (runs.empty() || !runs.back().keys.empty()) {
                runs.emplace_back();
            }
            runs.back().pasted.append(text, at, length);
            at += length;
            continue;
        }
        ++at;
    }
    return runs;
}

}  // namespace korvane::kde
