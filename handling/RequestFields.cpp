#include "handling/RequestFields.h"

#include "server/Framing.h"

namespace korvane {
namespace {

// Reads the quoted text that starts at `i` (on the opening quote); leaves `i` after the closing
// one.
std::string readQuoted(std::string_view text, std::size_t& i) {
    std::string field;
    ++i;
    while (i < text.size()) {
        if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                i += 2;
                continue;
            }
            ++i;
            return field;
        }
        field += text[i++];
    }
    return field;
}

}  // namespace

std::vector<std::string> splitFields(std::string_view text, char separator, std::size_t maxFields) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < text.size() && fields.size() < maxFields) {
        if (text[i] == '"') {
            fields.push_back(readQuoted(text, i));
            if (i < text.size() && text[i] != separator && fields.size() < maxFields) {
                std::size_t end = std::min(text.find(separator, i), text.size());
                fields.emplace_back(text.substr(i, end - i));
                i = end;
            }
        } else {
            std::size_t end = std::min(text.find(separator, i), text.size());
            fields.emplace_back(text.substr(i, end - i));
            i = end;
        }
        if (i < text.size()) {
            ++i;  // the separator
            if (i == text.size() && fields.size() < maxFields) {
                fields.emplace_back();
            }
        }
    }
    return fields;
}

std::vector<std::string> splitRequest(std::string_view data, std::size_t maxFields) {
    std::vector<std::string> fields = splitFields(data, '\t', maxFields);
    for (auto& field : fields) {
        field = trimRight(field);
    }
    return fields;
}

std::string joinFields(const std::vector<std::string>& fields) {
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            text += '\t';
        }
        text += fields[i];
    }
    return text;
}

}  // namespace korvane
