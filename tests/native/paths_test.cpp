#include <gtest/gtest.h>

#include <string>

#include "support/strings.h"

namespace cvinst {
namespace {

using namespace std::string_literals;

TEST(AddBackslash, AppendsToFolderAndChangesCallersText) {
    std::string path = R"(D:\Setup)";
    std::string& result = AddBackslash(path);
    EXPECT_EQ(R"(D:\Setup\)", path);
    EXPECT_EQ(&path, &result);
}

TEST(AddBackslash, LeavesTrailingBackslashAlone) {
    std::string root = R"(D:\)";
    EXPECT_EQ(R"(D:\)", AddBackslash(root));
    std::string folder = R"(\\server\share\Setup\)";
    EXPECT_EQ(R"(\\server\share\Setup\)", AddBackslash(folder));
}

TEST(AddBackslash, EmptyBecomesBackslash) {
    std::string empty;
    EXPECT_EQ("\\", AddBackslash(empty));
}

TEST(AddBackslash, ForwardSlashIsNotASeparatorHere) {
    std::string path = "D:/Setup/";
    EXPECT_EQ("D:/Setup/\\", AddBackslash(path));
}

TEST(QuoteStr, KeepsBlanksInsideOneArgument) {
    EXPECT_EQ(R"("D:\My Setup\CVMenu.msi")", QuoteStr(R"(D:\My Setup\CVMenu.msi)"));
}

TEST(QuoteStr, DoesNotEscapeInnerQuotes) {
    EXPECT_EQ(R"("a"b")", QuoteStr(R"(a"b)"));
    EXPECT_EQ(R"("")", QuoteStr(""));
}

TEST(CutAtNul, StopsAtFirstNul) {
    EXPECT_EQ("CVMenu.exe", CutAtNul("CVMenu.exe\0stale.txt\0"s));
    EXPECT_EQ("", CutAtNul("\0CVMenu.exe"s));
}

TEST(CutAtNul, WholeTextWhenThereIsNoNul) {
    EXPECT_EQ("start.cvm", CutAtNul("start.cvm"));
    EXPECT_EQ("", CutAtNul(""));
}

TEST(CutAtNul, FixedSizeNameField) {
    std::string field(260, '\0');
    field.replace(0, 9, "start.cvm");
    field[200] = 'x';  // leftovers after the terminator must not leak into the name
    EXPECT_EQ("start.cvm", CutAtNul(field));
}

}  // namespace
}  // namespace cvinst
