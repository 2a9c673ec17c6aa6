// The forms layer's load order: what a load handler sets on its controls is what their windows are
// created with, and what is set afterwards still reaches the windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "forms/form.h"
#include "forms/text.h"

namespace cvinst::win {
namespace {

std::string WindowText(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, static_cast<int>(std::size(text)));
    return Utf8(text);
}

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

    EXPECT_EQ(WindowText(form.Title.hwnd()), "A longer title set while loading");
    EXPECT_EQ(SendMessageW(form.First.hwnd(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(form.Second.hwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(form.Tick.hwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(form.tickClicks, 1);  // the value set in code ran the click handler once
    EXPECT_FALSE(IsWindowEnabled(form.Go.hwnd()));
    EXPECT_TRUE(IsWindowEnabled(form.Tick.hwnd()));
    EXPECT_EQ(WindowText(form.Notes.hwnd()), "Line one\r\nLine two");
    EXPECT_FALSE(SendMessageW(form.Notes.hwnd(), EM_GETMODIFY, 0, 0))
        << "text from code is no user edit";
}

TEST_F(FormsLoad, AnAutoSizedLabelIsCreatedAtTheSizeOfItsTextInItsFont) {
    RECT r{};
    GetClientRect(form.Title.hwnd(), &r);
    HDC dc = GetDC(form.Title.hwnd());
    HGDIOBJ old = SelectObject(
        dc, reinterpret_cast<HGDIOBJ>(SendMessageW(form.Title.hwnd(), WM_GETFONT, 0, 0)));
    SIZE text{};
    GetTextExtentPoint32W(dc, L"A longer title set while loading", 32, &text);
    SelectObject(dc, old);
    ReleaseDC(form.Title.hwnd(), dc);
    EXPECT_NEAR(r.right, text.cx, 1);
    EXPECT_NEAR(r.bottom, text.cy, 1);
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
    EXPECT_EQ(SendMessageW(form.Tick.hwnd(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(WindowText(form.Title.hwnd()), "Short");
    EXPECT_EQ(form.Go.Caption(), "Go");
}

}  // namespace
}  // namespace cvinst::win
