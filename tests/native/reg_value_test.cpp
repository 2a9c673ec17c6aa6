#include "support/reg_value.h"

#include <gtest/gtest.h>

#include <string>

namespace cvinst {
namespace {

TEST(EncodeRegSzBytes, AppendsOneNul) {
    EXPECT_EQ(EncodeRegSzBytes("abc"), (std::vector<uint8_t>{'a', 'b', 'c', 0}));
    EXPECT_EQ(EncodeRegSzBytes(""), (std::vector<uint8_t>{0}));
    EXPECT_EQ(EncodeRegSzBytes("C:\\\xE9"), (std::vector<uint8_t>{'C', ':', '\\', 0xE9, 0}));
}

TEST(RegValueText, GivesTheTextForm) {
    EXPECT_EQ(RegValueText(std::string("0")), "0");
    EXPECT_EQ(RegValueText(std::string(" x ")), " x ");
    EXPECT_EQ(RegValueText(int32_t{42}), "42");
    EXPECT_EQ(RegValueText(int32_t{-7}), "-7");
    EXPECT_EQ(RegValueText(INT32_MIN), "-2147483648");
    EXPECT_EQ(RegValueText(RegValue{}), "");
}

TEST(RegValueDword, TakesNumbersAndNumericText) {
    EXPECT_EQ(RegValueDword(int32_t{-5}), -5);
    EXPECT_EQ(RegValueDword(INT32_MAX), INT32_MAX);
    EXPECT_EQ(RegValueDword(std::string("0")), 0);
    EXPECT_EQ(RegValueDword(std::string("123")), 123);
    EXPECT_EQ(RegValueDword(std::string("-123")), -123);
    EXPECT_EQ(RegValueDword(std::string("+123")), 123);
    EXPECT_EQ(RegValueDword(std::string("  17 ")), 17);
    EXPECT_EQ(RegValueDword(std::string("\t-17\t")), -17);
    EXPECT_EQ(RegValueDword(std::string("2147483647")), INT32_MAX);
    EXPECT_EQ(RegValueDword(std::string("-2147483648")), INT32_MIN);
}

class RegValueDwordRejects : public ::testing::TestWithParam<std::string> {};

TEST_P(RegValueDwordRejects, Text) { EXPECT_EQ(RegValueDword(GetParam()), std::nullopt); }

INSTANTIATE_TEST_SUITE_P(NotAnInt32, RegValueDwordRejects,
                         ::testing::Values("2147483648", "-2147483649", "99999999999999999999",
                                           "abc", "12abc", "1 2", "1.5", "0x10", "", "   ", "+",
                                           "-", "+-1", "- 1", std::string("1\0", 2)));

TEST(RegValueDword, RejectsAnEmptyValue) { EXPECT_EQ(RegValueDword(RegValue{}), std::nullopt); }

}  // namespace
}  // namespace cvinst
