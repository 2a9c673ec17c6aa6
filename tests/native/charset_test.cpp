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

INSTANTIATE_TEST_SUITE_P(Table, CodePageToCharsetTest,
                         ::testing::Values(std::pair<std::string, int16_t>{"932", 128},
                                           std::pair{"936", 134}, std::pair{"949", 129},
                                           std::pair{"950", 136}, std::pair{"1250", 238},
                                           std::pair{"1251", 204}, std::pair{"1252", 0},
                                           std::pair{"1253", 161}, std::pair{"1254", 162},
                                           std::pair{"1255", 177}, std::pair{"1256", 178},
                                           std::pair{"1257", 186}));

INSTANTIATE_TEST_SUITE_P(FallBackToAnsi, CodePageToCharsetTest,
                         ::testing::Values(std::pair<std::string, int16_t>{"874", 0},
                                           std::pair{"1258", 0}, std::pair{"", 0},
                                           std::pair{"1251 ", 0}, std::pair{" 1251", 0},
                                           std::pair{"01251", 0}, std::pair{"125", 0},
                                           std::pair{"9320", 0},
                                           std::pair{std::string("1251\0", 5), 0}));

}  // namespace
}  // namespace cvinst
