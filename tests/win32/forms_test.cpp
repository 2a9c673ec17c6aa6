// The forms layer's load order: what a load handler sets on its controls is what their windows are
// created with, and what is set afterwards still reaches the windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "forms/form.h"
#include "win32_windows.h"

namespace cvinst::win {
namespace {

bool HasStyle(HWND hwnd, LONG style) { return (GetWindowLongW(hwnd, GWL_STYLE) & style) != 0; }

class SampleForm : public Form {
public:
    SampleForm()
        : Form(FormKind::Main, 4000, 3000, "Sample"),
          Title(*this, 120, 120, 0, 0, "Before load", true),
          First(*this, 120, 600, 3000, 255, "First"), Second(*this, 120, 900, 3000, 255, "Second"),
          Tick(*this, 120, 1200, 3000, 255, "Tick"), Go(*this, 120, 1600, 1200, 345, "Go", true),
          Notes(*this, 120, 2000, 3600, 800) {
        OptionButton::Group({&First, &Second});
        Tick.onClick = [this] { ++tickClicks; };
    }
    Label Title;
    OptionButton First, Second;
    CheckBox Tick;
    PushButton Go;
    TextBox Notes;
    int tickClicks = 0;
    bool controlsExistedAtLoad = true;

protected:
    void Form_Load() override {
        controlsExistedAtLoad = Title.hwnd() != nullptr;
        Title.SetCaption("A longer title set while loading");
        Title.SetFontName("Tahoma");
        Second.SetValue(true);
        Tick.SetValue(1);
        Go.SetEnabled(false);
        Notes.SetCaption("Line one\r\nLine two");
    }
};

class FormsLoad : public ::testing::Test {
protected:
    void SetUp() override { form.Load(); }
    SampleForm form;
};

TEST_F(FormsLoad, ControlsAreCreatedWithWhatTheLoadHandlerSet) {
    ASSERT_TRUE((form.hwnd() != nullptr));
    EXPECT_FALSE(form.controlsExistedAtLoad);
    for (const Control* c : form.Controls()) ASSERT_NE(c->hwnd(), nullptr);

    EXPECT_EQ(testkit::Text(form.Title.hwnd()), "A longer title set while loading");
    EXPECT_EQ(testkit::CheckState(form.First.hwnd()), BST_UNCHECKED);
    EXPECT_EQ(testkit::CheckState(form.Second.hwnd()), BST_CHECKED);
    EXPECT_EQ(testkit::CheckState(form.Tick.hwnd()), BST_CHECKED);
    EXPECT_EQ(form.tickClicks, 1);  // the value set in code ran the click handler once
    EXPECT_FALSE(IsWindowEnabled(form.Go.hwnd()));
    EXPECT_TRUE(IsWindowEnabled(form.Tick.hwnd()));
    EXPECT_EQ(testkit::Text(form.Notes.hwnd()), "Line one\r\nLine two");
}

TEST_F(FormsLoad, AnAutoSizedLabelIsCreatedAtTheSizeOfItsTextInItsFont) {
    SIZE text{};
    GetTextExtentPoint32W(testkit::ControlFontDc(form.Title.hwnd()).get(),
                          L"A longer title set while loading", 32, &text);
    const SIZE label = testkit::ClientSize(form.Title.hwnd());
    EXPECT_NEAR(label.cx, text.cx, 1);
    EXPECT_NEAR(label.cy, text.cy, 1);
    EXPECT_EQ(form.Title.Font().face, "Tahoma");
}

// Tab reaches an option group at its selected button only, from the start and after a change.
TEST_F(FormsLoad, OnlyTheSelectedOptionIsATabStop) {
    EXPECT_FALSE(HasStyle(form.First.hwnd(), WS_TABSTOP));
    EXPECT_TRUE(HasStyle(form.Second.hwnd(), WS_TABSTOP));
    EXPECT_TRUE(HasStyle(form.First.hwnd(), WS_GROUP));
    EXPECT_FALSE(HasStyle(form.Second.hwnd(), WS_GROUP));

    form.First.SetValue(true);
    EXPECT_TRUE(HasStyle(form.First.hwnd(), WS_TABSTOP));
    EXPECT_FALSE(HasStyle(form.Second.hwnd(), WS_TABSTOP));
}

TEST_F(FormsLoad, ChangesAfterLoadReachTheWindows) {
    form.Go.SetEnabled(true);
    form.Tick.SetValue(0);
    form.Title.SetCaption("Short");
    EXPECT_TRUE(IsWindowEnabled(form.Go.hwnd()));
    EXPECT_EQ(testkit::CheckState(form.Tick.hwnd()), BST_UNCHECKED);
    EXPECT_EQ(testkit::Text(form.Title.hwnd()), "Short");
}

HFONT FontOf(HWND hwnd) { return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)); }

// The font cache is the form's, lent to a form shown over it: two forms of their own share none.
TEST(FormFonts, AreSharedWithinAFormAndWithTheFormsItLendsThemTo) {
    SampleForm owner, own, shown;
    shown.ShareFontsOf(owner);
    for (SampleForm* form : {&owner, &own, &shown}) form->Load();
    const HFONT font = FontOf(owner.First.hwnd());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(FontOf(owner.Second.hwnd()), font);
    EXPECT_EQ(FontOf(shown.First.hwnd()), font);
    EXPECT_NE(FontOf(own.First.hwnd()), font);
    EXPECT_EQ(&shown.Fonts(), &owner.Fonts());
    EXPECT_NE(&own.Fonts(), &owner.Fonts());
}

}  // namespace
}  // namespace cvinst::win
