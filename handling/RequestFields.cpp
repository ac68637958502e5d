#include "handling/RequestFields.h"

#include "server/SSUtilUnit.h"

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

std::vector<std::string> mdlSplitFields(std::string_view pText, char pSeparator) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < pText.size()) {
        if (pText[i] == '"') {
            fields.push_back(readQuoted(pText, i));
            if (i < pText.size() && pText[i] != pSeparator) {
                std::size_t end = std::min(pText.find(pSeparator, i), pText.size());
                fields.emplace_back(pText.substr(i, end - i));
                i = end;
            }
        } else {
            std::size_t end = std::min(pText.find(pSeparator, i), pText.size());
            fields.emplace_back(pText.substr(i, end - i));
            i = end;
        }
        if (i < pText.size()) {
            ++i;  // the separator
            if (i == pText.size()) {
                fields.emplace_back();
            }
        }
    }
    return fields;
}

std::vector<std::string> mdlSplitRequest(std::string_view pData) {
    std::vector<std::string> fields = mdlSplitFields(pData);
    for (auto& field : fields) {
        field = mdlTrimRight(field);
    }
    return fields;
}

std::string mdlJoinFields(const std::vector<std::string>& pFields) {
    std::string text;
    for (std::size_t i = 0; i < pFields.size(); ++i) {
        if (i > 0) {
            text += '\t';
        }
        text += pFields[i];
    }
    return text;
}

}  // namespace korvane
