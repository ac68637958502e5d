// The field splitting rules. Two ways in: raw request data, which must split without fault and
// trim as promised; and a list of arbitrary fields, each written as a quoted text and joined,
// which must split back into exactly that list.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "handling/RequestFields.h"

namespace {

using korvane::joinFields;
using korvane::splitFields;
using korvane::splitRequest;

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "fields fault: %s\n", what);
    std::abort();
}

std::string quoted(const std::string& field) {
    std::string text = "\"";
    for (char c : field) {
        text += c;
        if (c == '"') {
            text += '"';
        }
    }
    return text + "\"";
}

void checkRawData(const std::string& data) {
    std::vector<std::string> fields = splitFields(data);
    if (data.empty() != fields.empty()) {
        fault("empty text and no fields must go together");
    }
    // Without quotes the split is plain, and joining restores the text.
    if (data.find('"') == std::string::npos && joinFields(fields) != data) {
        fault("join(split(text)) differs from a text without quotes");
    }
    std::vector<std::string> trimmed = splitRequest(data);
    if (trimmed.size() != fields.size()) {
        fault("trimming changed the number of fields");
    }
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        const std::string& t = trimmed[i];
        if (!t.empty() && static_cast<unsigned char>(t.back()) <= 32) {
            fault("a trimmed field still ends in a blank or control character");
        }
        if (fields[i].compare(0, t.size(), t) != 0) {
            fault("trimming changed more than the end of a field");
        }
    }
}

void checkQuotedList(FuzzedDataProvider& input) {
    const char separator = input.ConsumeBool() ? '\t' : '\x1D';
    std::vector<std::string> fields;
    std::string text;
    do {
        fields.push_back(input.ConsumeRandomLengthString(64));
        text += (fields.size() > 1 ? std::string(1, separator) : "") + quoted(fields.back());
    } while (input.remaining_bytes() > 0 && fields.size() < 16);
    if (splitFields(text, separator) != fields) {
        fault("quoted fields did not split back into themselves");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) {
        checkRawData(input.ConsumeRemainingBytesAsString());
    } else {
        checkQuotedList(input);
    }
    return 0;
}
