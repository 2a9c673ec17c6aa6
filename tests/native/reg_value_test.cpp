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

}  // namespace
}  // namespace cvinst
