// The locale font on real windows: what each control's window holds after ApplyFormFont, for
// code pages a test's locale query gives and, when the environment says which, for the
// user locale Wine takes from LC_ALL / LANG.
#include "support/win32/locale_font.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "base/win32/handles.h"
#include "support/charset.h"
#include "ui/win32/form1.h"
#include "ui/win32/license.h"
#include "win32_run_system.h"

namespace cvinst {
namespace {

// A control without a font, as a line or a shape is.
class Separator : public win::Control {
public:
    using Control::Control;
    bool HasFont() const override { return false; }

protected:
    void Create(HWND parent) override { CreateChild(parent, L"STATIC", SS_ETCHEDHORZ); }
};

class FontForm : public win::Form {
public:
    FontForm() : Form(win::FormKind::Main, 4500, 3000, "Fonts") {}
    win::Label label{*this, 100, 100, 2000, 200, "Label"};
    win::Label fitted{*this, 2200, 100, 300, 100, "Action(s) to perform:", true};
    Separator line{*this, 100, 400, 4000, 30};
    win::TextBox text{*this, 100, 500, 4000, 900};
    win::CheckBox check{*this, 100, 1500, 2000, 255, "Check"};
    win::OptionButton option{*this, 100, 1800, 2000, 255, "Option", true};
    win::PushButton button{*this, 100, 2200, 1500, 375, "Button"};
};

HFONT FontOf(HWND hwnd) { return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)); }

LOGFONTW LogFontOf(HWND hwnd) {
    LOGFONTW lf{};
    HFONT font = FontOf(hwnd);
    EXPECT_NE(font, nullptr) << "control without a font";
    if (font) {
        EXPECT_EQ(GetObjectW(font, sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
    }
    return lf;
}

// Every control with a font shows `face` in `charset`, as the forms layer holds it and as its
// window does.
void ExpectControlFonts(const win::Form& form, const std::wstring& face, int charset) {
    int checked = 0;
    for (win::Control* c : form.Controls()) {
        if (!c->HasFont()) continue;
        ++checked;
        EXPECT_EQ(c->Font().face, std::string(face.begin(), face.end())) << "control " << c->id();
        EXPECT_EQ(c->Font().charset, charset) << "control " << c->id();
        LOGFONTW lf = LogFontOf(c->hwnd());
        EXPECT_EQ(std::wstring(lf.lfFaceName), face) << "control " << c->id();
        EXPECT_EQ(lf.lfCharSet, charset) << "control " << c->id();
    }
    EXPECT_GT(checked, 0);
}

class LocaleFont : public ::testing::Test {
protected:
    void SetUp() override { testkit::DispatchPendingMessages(); }

    void UseCodePage(std::string codePage) {
        font_ = cvinst::LocaleFont([this, codePage](uint32_t infoType) {
            asked_.push_back(infoType);
            return codePage;
        });
    }
    void ApplyFormFont(win::Form& form) const { font_.Apply(form); }

    cvinst::LocaleFont font_;
    std::vector<uint32_t> asked_;
};

struct CodePageCase {
    const char* codePage;
    int charset;
};

class LocaleFontCodePage : public LocaleFont, public ::testing::WithParamInterface<CodePageCase> {};

TEST_P(LocaleFontCodePage, EveryControlGetsTahomaInTheUsersCharset) {
    FontForm form;
    form.Load();
    ASSERT_TRUE((form.hwnd() != nullptr));
    const HFONT formFont = FontOf(form.hwnd());
    const HFONT lineFont = FontOf(form.line.hwnd());
    const LONG height = LogFontOf(form.label.hwnd()).lfHeight;

    UseCodePage(GetParam().codePage);
    ApplyFormFont(form);

    EXPECT_EQ(asked_, std::vector<uint32_t>{0x1004});
    ExpectControlFonts(form, L"Tahoma", GetParam().charset);
    EXPECT_EQ(LogFontOf(form.label.hwnd()).lfHeight, height) << "the size changed";
    EXPECT_EQ(FontOf(form.line.hwnd()), lineFont);
    EXPECT_EQ(FontOf(form.hwnd()), formFont);
}

INSTANTIATE_TEST_SUITE_P(CodePages, LocaleFontCodePage,
                         ::testing::Values(CodePageCase{"1251", 204}, CodePageCase{"932", 128},
                                           CodePageCase{"874", 0}, CodePageCase{"", 0},
                                           CodePageCase{"1250", 238}, CodePageCase{"1252", 0}),
                         [](const auto& info) {
                             return std::string("cp") +
                                    (*info.param.codePage ? info.param.codePage : "none");
                         });

TEST_F(LocaleFont, ApplyingTwiceEqualsApplyingOnce) {
    FontForm once, twice;
    once.Load();
    twice.Load();
    UseCodePage("1251");
    ApplyFormFont(once);
    ApplyFormFont(twice);
    ApplyFormFont(twice);
    ASSERT_EQ(once.Controls().size(), twice.Controls().size());
    for (size_t i = 0; i < once.Controls().size(); ++i) {
        win::Control* a = once.Controls()[i];
        win::Control* b = twice.Controls()[i];
        if (!a->HasFont()) {
            EXPECT_EQ(FontOf(b->hwnd()), nullptr);
            continue;
        }
        LOGFONTW la = LogFontOf(a->hwnd()), lb = LogFontOf(b->hwnd());
        EXPECT_EQ(std::wstring(la.lfFaceName), std::wstring(lb.lfFaceName));
        EXPECT_EQ(la.lfCharSet, lb.lfCharSet);
        EXPECT_EQ(la.lfHeight, lb.lfHeight);
        EXPECT_EQ(la.lfWeight, lb.lfWeight);
    }
}

TEST_F(LocaleFont, TheCharsetIsWorkedOutAnewAtEveryCall) {
    FontForm form;
    form.Load();
    UseCodePage("1251");
    ApplyFormFont(form);
    UseCodePage("932");
    ApplyFormFont(form);
    ExpectControlFonts(form, L"Tahoma", 128);
    UseCodePage("");
    ApplyFormFont(form);
    ExpectControlFonts(form, L"Tahoma", 0);
}

int CALLBACK CountFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    ++*reinterpret_cast<int*>(found);
    return 1;
}

bool FaceInstalled(const wchar_t* face, int charset) {
    LOGFONTW lf{};
    lf.lfCharSet = static_cast<BYTE>(charset);
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    int found = 0;
    const win::ScopedGetDC screen(nullptr);
    EnumFontFamiliesExW(screen.get(), &lf, CountFace, reinterpret_cast<LPARAM>(&found), 0);
    return found > 0;
}

std::wstring FaceDrawnWith(HWND control) {
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(testkit::ControlFontDc(control).get(), LF_FACESIZE, face);
    return face;
}

// The font mapper picks Tahoma itself for what the controls ask, where the face exists.
TEST_F(LocaleFont, TahomaIsTheFaceDrawnWith) {
    for (const char* codePage : {"1252", "1251"}) {
        const int charset = codePage == std::string("1252") ? 0 : 204;
        if (!FaceInstalled(L"Tahoma", charset)) {
            GTEST_SKIP() << "no Tahoma for charset " << charset << " in this Wine prefix";
        }
        FontForm form;
        form.Load();
        UseCodePage(codePage);
        ApplyFormFont(form);
        for (win::Control* c : form.Controls())
            if (c->HasFont()) {
                EXPECT_EQ(FaceDrawnWith(c->hwnd()), L"Tahoma") << codePage;
            }
    }
}

// An auto-sized label's window holds its whole caption on one line, in the font it has now.
void ExpectFitsItsText(const win::Label& label) {
    HWND h = label.hwnd();
    const std::string caption = label.Caption();
    const std::wstring text(caption.begin(), caption.end());
    SIZE size{};
    TEXTMETRICW tm{};
    {
        const testkit::ControlFontDc dc(h);
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        GetTextMetricsW(dc.get(), &tm);
    }
    RECT client;
    GetClientRect(h, &client);
    EXPECT_GE(client.right, size.cx) << label.Caption() << " in " << label.Font().face;
    EXPECT_GE(client.bottom, tm.tmHeight) << label.Caption();
    EXPECT_LT(client.bottom, 2 * tm.tmHeight) << label.Caption();
}

TEST_F(LocaleFont, AutoSizedLabelsRefitWhenTheirFontChanges) {
    FontForm form;
    form.Load();
    ExpectFitsItsText(form.fitted);
    // Under Wine every face but this one may fall back to the same default, so this is the
    // face that surely draws wider.
    form.fitted.SetFontName("DejaVu Sans Mono");
    ExpectFitsItsText(form.fitted);
    UseCodePage("1251");
    ApplyFormFont(form);
    ExpectFitsItsText(form.fitted);

    testkit::PumpingRunSystem system;
    testkit::RecordingLog log;
    Form1 main(system, log);
    main.Font = font_;
    main.Load();
    ExpectFitsItsText(main.Label1);
    ExpectFitsItsText(main.Label3);
}

TEST_F(LocaleFont, MainWindowAppliesItWhileLoading) {
    UseCodePage("1251");
    testkit::PumpingRunSystem system;
    testkit::RecordingLog log;
    Form1 form(system, log);
    form.Font = font_;
    form.Load();
    ASSERT_TRUE((form.hwnd() != nullptr));
    EXPECT_FALSE(asked_.empty());
    ExpectControlFonts(form, L"Tahoma", 204);
    EXPECT_EQ(FontOf(form.hwnd()), nullptr);
}

TEST_F(LocaleFont, LicenceDialogAppliesItWhileLoading) {
    UseCodePage("932");
    License dialog(font_);
    dialog.Load();
    ASSERT_TRUE((dialog.hwnd() != nullptr));
    ExpectControlFonts(dialog, L"Tahoma", 128);
    EXPECT_EQ(FontOf(dialog.hwnd()), nullptr);
    dialog.Unload();
}

TEST(LocaleText, IsTheQueriedTextWithoutItsNul) {
    const std::string codePage = GetLocaleText(0x1004);
    ASSERT_FALSE(codePage.empty());
    EXPECT_EQ(codePage.find_first_not_of("0123456789"), std::string::npos) << codePage;
    const std::string language = GetLocaleText(0x1001);  // LOCALE_SENGLANGUAGE
    ASSERT_FALSE(language.empty());
    EXPECT_NE(language.back(), '\0');
}

// The character set each known code page maps to is the one the system itself gives for it.
TEST(CodePageCharset, IsTheSystemsOwn) {
    for (const UINT codePage :
         {932u, 936u, 949u, 950u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u}) {
        CHARSETINFO info{};
        ASSERT_TRUE(TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(codePage)),
                                         &info, TCI_SRCCODEPAGE))
            << codePage;
        EXPECT_EQ(CodePageToCharset(std::to_string(codePage)), static_cast<int>(info.ciCharset))
            << codePage;
    }
}

TEST(LocaleText, AFailingQueryGivesEmptyText) { EXPECT_EQ(GetLocaleText(0x0FFF), ""); }

// The user's locale for real. scripts/locale-tests.sh runs the binary under a locale and says
// what it must give; without CVINST_EXPECT_CODEPAGE there is nothing to compare with.
TEST(UserLocale, FollowsTheEnvironment) {
    const char* codePage = std::getenv("CVINST_EXPECT_CODEPAGE");
    const char* charset = std::getenv("CVINST_EXPECT_CHARSET");
    if (!codePage || !charset)
        GTEST_SKIP() << "CVINST_EXPECT_CODEPAGE / CVINST_EXPECT_CHARSET unset";
    const cvinst::LocaleFont user;
    EXPECT_EQ(GetLocaleText(0x1004), codePage);
    EXPECT_EQ(user.Charset(), std::atoi(charset));
    FontForm form;
    form.Load();
    user.Apply(form);
    ExpectControlFonts(form, L"Tahoma", std::atoi(charset));
}

}  // namespace
}  // namespace cvinst
