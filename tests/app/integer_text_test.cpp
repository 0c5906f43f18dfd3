#include "app/config/integer_text.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct TextCase {
    const char* text;
    std::optional<int32_t> number;
};

TEST(IntegerText, ReadsTheSyntaxOfTheEditBoxes) {
    const TextCase cases[] = {
        {"0", 0},
        {"7", 7},
        {" 7", 7},
        {"   -12", -12},
        {"+5", 5},
        {"$1F", 31},
        {"0x1f", 31},
        {"0X1F", 31},
        {"x1F", 31},
        {"X10", 16},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"007", 7},
        {"1F", std::nullopt},
        {"7 ", std::nullopt},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"1.5", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"$100000000", std::nullopt},
        {"\t7", std::nullopt},
        {"+-1", std::nullopt},
        {"- 1", std::nullopt},
        {"0x-1", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(app::ParseIntegerText(c.text), c.number) << '"' << c.text << '"';
    }
}

TEST(IntegerText, LenientFormYieldsTheDefault) {
    EXPECT_EQ(app::IntegerTextOr("1F", 1000000), 1000000);
    EXPECT_EQ(app::IntegerTextOr("", 0), 0);
    EXPECT_EQ(app::IntegerTextOr("$10", 0), 16);
}

TEST(IntegerText, StrictFormNamesTheTextInItsError) {
    EXPECT_EQ(app::IntegerText(" $7"), 7);
    try {
        app::IntegerText("12a");
        FAIL() << "no error";
    } catch (const app::InvalidIntegerText& error) {
        EXPECT_STREQ(error.what(), "''12a'' is not a valid integer value");
    }
    EXPECT_THROW(app::IntegerText(""), app::InvalidIntegerText);
    EXPECT_THROW(app::IntegerText("2147483648"), app::InvalidIntegerText);
}

}  // namespace
