#include "handling/CsvText.h"

#include <string_view>

namespace korvane {

std::string csvRecord(const std::vector<std::string>& fields) {
    std::string record;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        if (i > 0) {
            record += ',';
        }
        record += '"';
        if (!field.empty() &&
            std::string_view("=+-@\t\r").find(field.front()) != std::string::npos) {
            record += '\'';
        }
        for (char c : field) {
            if (c == '"') {
                record += '"';
            }
            record += c;
        }
        record += '"';
    }
    record += "\r\n";
    return record;
}

}  // namespace korvane
