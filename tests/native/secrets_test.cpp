#include "support/secrets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/cmdline.h"

namespace cvinst {
namespace {

struct MaskCase {
    std::string text;
    std::string masked;
    std::vector<std::string> hidden = {};
};

class SecretMaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(SecretMaskTest, WritesEverySecretValueAsStars) {
    EXPECT_EQ(SecretMask(GetParam().hidden)(GetParam().text), GetParam().masked);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SecretMaskTest,
    ::testing::Values(
        // The name rules, in any case.
        MaskCase{"ADMINPASSWORD=a1 db_passwd=a2 Pwd=a3 ApiSecret=a4 authToken=a5 PIDKEY=a6",
                 "ADMINPASSWORD=******** db_passwd=******** Pwd=******** ApiSecret=******** "
                 "authToken=******** PIDKEY=********"},
        // A name only the package lists, without regard to case.
        MaskCase{
            "/qn CVWORKKEY=K-1 ALLUSERS=2", "/qn CVWORKKEY=******** ALLUSERS=2", {"CvWorkKey"}},
        MaskCase{"/qn CVWORKKEY=K-1 ALLUSERS=2", "/qn CVWORKKEY=K-1 ALLUSERS=2"},
        // Blanks, doubled and escaped quotes, a quoted part joined to the value, no closing quote.
        MaskCase{R"(PASSWORD="a b c" X=1)", "PASSWORD=******** X=1"},
        MaskCase{"PASSWORD = a b", "PASSWORD = ******** b"},
        MaskCase{R"(PASSWORD="a ""b"" c" X=1)", "PASSWORD=******** X=1"},
        MaskCase{R"(PASSWORD="a\" b" X=1)", "PASSWORD=******** X=1"},
        MaskCase{R"(PASSWORD=ab"c d"e X=1)", "PASSWORD=******** X=1"},
        MaskCase{R"(X=1 PASSWORD="a b)", "X=1 PASSWORD=********"},
        MaskCase{"TOKEN=A=PASSWORD=b", "TOKEN=********"},
        // Letters beyond ASCII, as typed and as the refusal upper-cases them.
        MaskCase{"PASSWORD=Grüße€ X=1", "PASSWORD=******** X=1"},
        MaskCase{R"(PASSWORD="Пароль ÉTÉ" X=1)", "PASSWORD=******** X=1"},
        // Not secret, or no property at all: a name inside a path.
        MaskCase{R"(/qn ALLUSERS=2 INSTALLDIR="C:\A B" /L*v "C:\Logs\TOKEN=1\x.log")",
                 R"(/qn ALLUSERS=2 INSTALLDIR="C:\A B" /L*v "C:\Logs\TOKEN=1\x.log")"},
        MaskCase{"PASSWORD=", "PASSWORD="},
        // The lines that show installer parameters.
        MaskCase{R"("C:\x\CVInst.exe" /I /MSI="/qn ADMINPASSWORD=Hunter2Secret PIN=1"/P:M)",
                 R"("C:\x\CVInst.exe" /I /MSI="/qn ADMINPASSWORD=******** PIN=1"/P:M)"},
        MaskCase{R"(CVInst.exe /I /MSI="AdminPassword=a b" /T)",
                 R"(CVInst.exe /I /MSI="AdminPassword=********" /T)"},
        MaskCase{R"(/I /MSI="/qn PASSWORD="a b"")", R"(/I /MSI="/qn PASSWORD=********)"},
        MaskCase{R"(install; installer parameters: "/qn ADMINPASSWORD=Hunter2Secret"; waits)",
                 R"(install; installer parameters: "/qn ADMINPASSWORD=********"; waits)"},
        MaskCase{R"(/i "C:\x\CVMenu.msi" /qn ADMINPASSWORD=Hunter2Secret ALLUSERS=2 )"
                 R"(USER_TOKEN=t0 /L*v "C:\l.log")",
                 R"(/i "C:\x\CVMenu.msi" /qn ADMINPASSWORD=******** ALLUSERS=2 )"
                 R"(USER_TOKEN=******** /L*v "C:\l.log")"}));

TEST(SecretMask, HidesTheValueInTheRefusalsUpperCasedQuote) {
    const ParseResult parsed = ParseCommandLine(R"(/I /MSI="/qn AdminPassword=Hunter2Secret)");
    ASSERT_FALSE(parsed.ok);
    EXPECT_EQ(SecretMask()(CommandLineErrorMessage(parsed.text, parsed.error, false)),
              "Invalid command line parameters.\n\nInvalid MS Windows Installer parameters "
              "syntax: \"/I /MSI=\"/QN ADMINPASSWORD=********\"\n\nSyntax: \"/MSI=\"MS Installer "
              "Parameters\"\"");
}

TEST(IsSecretPropertyName, OnlyNamesHoldingOneOfTheWords) {
    EXPECT_TRUE(IsSecretPropertyName("sql_pAsSwOrD"));
    EXPECT_FALSE(IsSecretPropertyName("PASS_WORD"));
    EXPECT_FALSE(IsSecretPropertyName("INSTALLDIR"));
}

TEST(SplitPropertyList, TrimsTheNamesAndDropsEmptyOnes) {
    EXPECT_EQ(SplitPropertyList(" CVWORKKEY ;;\tPin;"),
              (std::vector<std::string>{"CVWORKKEY", "Pin"}));
    EXPECT_TRUE(SplitPropertyList("").empty());
}

// Every cut of a line, one byte shorter each time: the sanitizers watch the scan.
TEST(SecretMask, EveryCutOfALineIsMaskedSafely) {
    const std::string line = R"(/MSI="A=1 PWD="x ""y\"" TOKEN= "z)";
    const SecretMask mask;
    for (size_t length = 0; length <= line.size(); ++length) {
        const std::string masked = mask(line.substr(0, length));
        EXPECT_EQ(mask(masked), masked) << line.substr(0, length);
    }
}

}  // namespace
}  // namespace cvinst
