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

}  // namespace
}  // namespace cvinst
