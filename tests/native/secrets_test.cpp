#include "support/secrets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/cmdline.h"
#include "support/strings.h"

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
        // As msiexec reads them: doubled quotes inside a quoted part, a single-quoted value, a
        // name glued to "(" or ",", a "." in a name, a hidden name written in lower case.
        MaskCase{R"(/I /MSI="/qn PASSWORD=""two words"" X=1")",
                 R"(/I /MSI="/qn PASSWORD=******** X=1")"},
        MaskCase{R"(/I /MSI="PASSWORD=""two words" X=1)", R"(/I /MSI="PASSWORD=********" X=1)"},
        MaskCase{"PASSWORD='a b' X=1", "PASSWORD=******** X=1"},
        MaskCase{"PASSWORD='a \"b c\" X=1", "PASSWORD=******** X=1"},
        MaskCase{"Set(PASSWORD=a b),x,TOKEN=c", "Set(PASSWORD=******** b),x,TOKEN=********"},
        MaskCase{"DB.PASSWORD=s3cret X=1", "DB.PASSWORD=******** X=1"},
        MaskCase{"/qn cvworkkey=K-1", "/qn cvworkkey=********", {"CVWorkKey"}},
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

// The quote after the value may close the quoted command line or open a part of the value: the
// rest of the message goes too.
TEST(SecretMask, HidesTheValueInTheRefusalsUpperCasedQuote) {
    const ParseResult parsed = ParseCommandLine(R"(/I /MSI="/qn AdminPassword=Hunter2Secret)");
    ASSERT_FALSE(parsed.ok);
    EXPECT_EQ(SecretMask()(CommandLineErrorMessage(parsed.text, parsed.error, false)),
              "Invalid command line parameters.\n\nInvalid MS Windows Installer parameters "
              "syntax: \"/I /MSI=\"/QN ADMINPASSWORD=********");
}

// Every name a secret is known by, with every form its value can take, in every kind of line that
// shows installer parameters: none of the value's words may be left. ZQ1 and ZQ2 stand for the
// words of the secret; they read the same upper-cased, as a refusal quotes the line.
struct Context {
    const char* name;
    std::string (*line)(const std::string& assignment);
};

std::string Doubled(const std::string& text) {
    std::string doubled;
    for (const char c : text) doubled += c == '"' ? std::string("\"\"") : std::string(1, c);
    return doubled;
}

const Context kContexts[] = {
    {"msiexec arguments",
     [](const std::string& a) {
         return R"(/i "C:\x\CVMenu.msi" /qn )" + a + R"( /L*v+ "C:\l.log")";
     }},
    {"properties glued", [](const std::string& a) { return "/qn Set(X=1," + a + ")"; }},
    {"command line",
     [](const std::string& a) {
         return R"("C:\x\CVInst.exe" /I /MSI="/qn )" + Doubled(a) + R"( X=1" /P:M)";
     }},
    {"first in /MSI=",
     [](const std::string& a) { return "/qn CVInst.exe /I /MSI=\"" + Doubled(a) + "\" /T"; }},
    {"described", [](const std::string& a) { return "/qn parameters: \"" + a + " X=1\"; waits"; }},
    {"refused", [](const std::string& a) {
         return "/qn syntax: \"/I /MSI=\"/QN " + UpperCaseSameLength(a) + "\"\n\nSyntax: x";
     }}};

TEST(SecretMask, LeavesNoWordOfAKnownSecret) {
    const SecretMask mask({"CVWorkKey"});
    const char* names[] = {"PASSWORD", "db.password", "Db_Pwd", "ApiToken", "PIDKEY", "cvworkkey"};
    const char* values[] = {"ZQ1", R"("ZQ1 ZQ2")", "'ZQ1 ZQ2'", R"(a"ZQ1 ZQ2"b)",
                            R"("ZQ1 ""ZQ2"" ")"};
    for (const Context& context : kContexts) {
        for (const char* name : names) {
            for (const char* value : values) {
                const std::string line = context.line(std::string(name) + "=" + value);
                const std::string masked = UpperAscii(mask(line));
                EXPECT_EQ(masked.find("ZQ"), std::string::npos) << context.name << ": " << line;
                // A mask that hides everything would pass that too.
                EXPECT_NE(masked.find("/QN "), std::string::npos) << context.name << ": " << masked;
            }
        }
    }
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
