#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "support/strings.h"

namespace cvinst {
namespace {

using namespace std::string_literals;
using Sample = std::pair<std::string, std::string>;

class AddBackslashTest : public ::testing::TestWithParam<Sample> {};

TEST_P(AddBackslashTest, EndsTheCallersFolderInOneBackslash) {
    std::string path = GetParam().first;
    std::string& result = AddBackslash(path);
    EXPECT_EQ(path, GetParam().second);
    EXPECT_EQ(&result, &path);
}

// A forward slash is no separator here.
INSTANTIATE_TEST_SUITE_P(
    Folders, AddBackslashTest,
    ::testing::Values(Sample{R"(D:\Setup)", R"(D:\Setup\)"}, Sample{R"(D:\)", R"(D:\)"},
                      Sample{R"(\\server\share\Setup\)", R"(\\server\share\Setup\)"},
                      Sample{"", "\\"}, Sample{"D:/Setup/", "D:/Setup/\\"}));

TEST(QuoteStr, KeepsBlanksInsideOneArgumentAndDoesNotEscapeQuotes) {
    EXPECT_EQ(R"("D:\My Setup\CVMenu.msi")", QuoteStr(R"(D:\My Setup\CVMenu.msi)"));
    EXPECT_EQ(R"("a"b")", QuoteStr(R"(a"b)"));
    EXPECT_EQ(R"("")", QuoteStr(""));
}

class CutAtNulTest : public ::testing::TestWithParam<Sample> {};

TEST_P(CutAtNulTest, KeepsTheTextBeforeTheFirstNul) {
    EXPECT_EQ(CutAtNul(GetParam().first), GetParam().second);
}

// A fixed-size name field: leftovers after the terminator must not leak into the name.
INSTANTIATE_TEST_SUITE_P(
    Buffers, CutAtNulTest,
    ::testing::Values(Sample{"CVMenu.exe\0stale.txt\0"s, "CVMenu.exe"}, Sample{"\0CVMenu.exe"s, ""},
                      Sample{"start.cvm", "start.cvm"}, Sample{"", ""},
                      Sample{"start.cvm"s + std::string(191, '\0') + "x" + std::string(59, '\0'),
                             "start.cvm"}));

}  // namespace
}  // namespace cvinst
