#pragma once

#include <string>
#include <vector>

namespace korvane {

// One CSV record for spreadsheets: every field in double quotes, a double quote inside doubled,
// fields separated by commas, ended by CR LF. TABs and line breaks stay inside their quotes.
// A field that a spreadsheet would read as a formula (it starts with =, +, -, @, TAB or CR) gets a
// leading apostrophe: the texts come from phones on the LAN and must never run as formulas.
std::string csvRecord(const std::vector<std::string>& fields);

}  // namespace korvane
