#pragma once

#include <ctime>

namespace korvane {

// `when` broken down in the local time zone; safe on any thread (unlike std::localtime).
std::tm localTime(std::time_t when);

}  // namespace korvane
