#include <gtest/gtest.h>

#include <algorithm>

#include "handling/RequestFields.h"

namespace korvane {
namespace {

using Fields = std::vector<std::string>;

TEST(RequestFields, SplitsAtTabsWithQuotedFields) {
    const std::pair<std::string, Fields> cases[] = {
        {"", {}},
        {"101", {"101"}},
        {"102\tABC\t1\t1\t0", {"102", "ABC", "1", "1", "0"}},
        {"a\t\tb", {"a", "", "b"}},
        {"a\t", {"a", ""}},
        {"\ta", {"", "a"}},
        {"\t", {"", ""}},
        {"102\t\"A\tB\"\"C\"\t1", {"102", "A\tB\"C", "1"}},
        {"\"quoted\"rest\tx", {"quoted", "rest", "x"}},
        {"\"\"\t\"\"", {"", ""}},
        {"\"open\tto the end", {"open\tto the end"}},
        {"a\"b\tc", {"a\"b", "c"}},
        {"\"x\"\t", {"x", ""}},
    };
    for (const auto& [text, fields] : cases) {
        EXPECT_EQ(splitFields(text), fields) << text;
        // Fewer fields asked for: the same first ones.
        for (std::size_t most : {std::size_t{1}, std::size_t{2}}) {
            const Fields first(fields.begin(), fields.begin() + std::min(most, fields.size()));
            EXPECT_EQ(splitFields(text, '\t', most), first) << text << " at most " << most;
        }
    }
}

TEST(RequestFields, RequestFieldsLoseTrailingBlanksOnly) {
    EXPECT_EQ(splitRequest("102 \t  ABC  \r\t1\x01\t\t0\n"),
              (Fields{"102", "  ABC", "1", "", "0"}));
}

TEST(RequestFields, JoinsWithTabs) {
    EXPECT_EQ(joinFields({"101", "1"}), "101\t1");
    EXPECT_EQ(joinFields({}), "");
    EXPECT_EQ(joinFields({"", "x", ""}), "\tx\t");
}

}  // namespace
}  // namespace korvane
