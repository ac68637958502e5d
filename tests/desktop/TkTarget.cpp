#include "tests/desktop/TkTarget.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace korvane::test {
namespace {

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

std::string jsonString(const std::string& json) {
    std::string out;
    if (json.size() < 2 || json.front() != '"' || json.back() != '"') {
        ADD_FAILURE() << "not a JSON string: " << json.substr(0, 200);
        return out;
    }
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        if (json[i] != '\\') {
            out.push_back(json[i]);
            continue;
        }
        const char escaped = json[++i];
        switch (escaped) {
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'u': {
                unsigned code = std::stoul(json.substr(i + 1, 4), nullptr, 16);
                i += 4;
                if (code >= 0xD800 && code < 0xDC00 && json.compare(i + 1, 2, "\\u") == 0) {
                    const unsigned low = std::stoul(json.substr(i + 3, 4), nullptr, 16);
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                }
                appendUtf8(out, code);
                break;
            }
            default:
                out.push_back(escaped);
        }
    }
    return out;
}

TkTarget::TkTarget()
    : mProcess(std::make_unique<ChildProcess>(
          std::vector<std::string>{"/usr/bin/python3", KORVANE_TK_TARGET})) {
    EXPECT_EQ(mProcess->readLine(), "\"ready\"");
}

std::string TkTarget::ask(const std::string& command) {
    mProcess->writeLine(command);
    return mProcess->readLine();
}

unsigned long TkTarget::focus() {
    return std::stoul(ask("focus"));
}

std::string TkTarget::text() {
    return jsonString(ask("text"));
}

std::string TkTarget::waitForText(const std::string& expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string current = text();
    while (current != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        current = text();
    }
    return current;
}

}  // namespace korvane::test
