#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Splits request data into its TAB-separated fields. Two adjacent separators give an empty field, a
// separator at the end an empty last field, empty text no field at all. A field that begins with a
// double quote runs to the next lone double quote ("" inside stands for one) and loses its quotes;
// text after the closing quote, up to the next separator, is a further field. At most `maxFields`
// fields are split off: the rest of the text is not read.
std::vector<std::string> splitFields(std::string_view text, char separator = '\t',
                                     std::size_t maxFields = SIZE_MAX);

// splitFields, then every field without its trailing blanks and control characters.
std::vector<std::string> splitRequest(std::string_view data, std::size_t maxFields = SIZE_MAX);

// Fields joined by single TABs: a reply payload.
std::string joinFields(const std::vector<std::string>& fields);

}  // namespace korvane
