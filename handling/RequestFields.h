#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Splits request data into its TAB-separated fields. Two adjacent separators give an empty field, a
// separator at the end an empty last field, empty text no field at all. A field that begins with a
// double quote runs to the next lone double quote ("" inside stands for one) and loses its quotes;
// text after the closing quote, up to the next separator, is a further field.
std::vector<std::string> mdlSplitFields(std::string_view pText, char pSeparator = '\t');

// mdlSplitFields, then every field without its trailing blanks and control characters.
std::vector<std::string> mdlSplitRequest(std::string_view pData);

// Fields joined by single TABs: a reply payload.
std::string mdlJoinFields(const std::vector<std::string>& pFields);

}  // namespace korvane
