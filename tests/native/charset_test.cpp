#include "support/charset.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace cvinst {
namespace {

class CodePageToCharsetTest : public ::testing::TestWithParam<std::pair<std::string, int16_t>> {};

TEST_P(CodePageToCharsetTest, MapsExactText) {
    EXPECT_EQ(CodePageToCharset(GetParam().first), GetParam().second);
}

// The code pages it knows are checked against the system's own answer in the Win32 tests.
INSTANTIATE_TEST_SUITE_P(FallBackToAnsi, CodePageToCharsetTest,
                         ::testing::Values(std::pair<std::string, int16_t>{"874", 0},
                                           std::pair{"1258", 0}, std::pair{"", 0},
                                           std::pair{"1251 ", 0}, std::pair{" 1251", 0},
                                           std::pair{"01251", 0}, std::pair{"125", 0},
                                           std::pair{"9320", 0},
                                           std::pair{std::string("1251\0", 5), 0}));

}  // namespace
}  // namespace cvinst
