#include "platform/Trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace korvane {
namespace {

// Run twice by ctest: as is, and with KORVANE_TRACE=1 (Trace.WrittenWhenAsked).
TEST(Trace, WrittenOnlyWhenAsked) {
    const char* asked = std::getenv("KORVANE_TRACE");
    const bool wanted = asked && std::string(asked) == "1";
    std::vector<std::string> lines;
    setTraceSink([&](const std::string& line) { lines.push_back(line); });
    trace("mdlRecvData_START");
    traceOutput("a failure is always written");
    setTraceSink(nullptr);

    ASSERT_EQ(lines.size(), wanted ? 2u : 1u);
    EXPECT_EQ(lines.back(), "a failure is always written");
    if (wanted) {
        // "[yyyy/mm/dd hh:nn:ss]" then the text.
        EXPECT_EQ(lines[0].size(), 21 + std::string("mdlRecvData_START").size());
        EXPECT_EQ(lines[0].substr(21), "mdlRecvData_START");
        EXPECT_EQ(lines[0][0], '[');
    }
}

}  // namespace
}  // namespace korvane
