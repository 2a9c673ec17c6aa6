// The engraved separator lines as they end up on the screen: Form1 and the licence dialog shown
// on the test display, their pixels read back from the window's own DC and from the persistent
// image, also after the window was covered, repainted, or minimised and restored.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/win32/handles.h"
#include "support/cvline.h"
#include "ui/win32/form1.h"
#include "ui/win32/license.h"
#include "win32_run_system.h"
#include "win32_windows.h"

namespace cvinst {
namespace {

constexpr COLORREF kDark = RGB(0x84, 0x84, 0x84);
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);

void Settle(HWND hwnd) {
    testkit::DispatchPendingMessages();
    UpdateWindow(hwnd);
    testkit::DispatchPendingMessages();
}

COLORREF WindowPixel(HWND hwnd, int x, int y) {
    const win::ScopedGetDC dc(hwnd);
    return GetPixel(dc.get(), x, y);
}

// The form's background as it paints it (from its persistent image) into a bitmap of our own.
class ErasedBackground {
public:
    explicit ErasedBackground(HWND hwnd) {
        RECT client;
        GetClientRect(hwnd, &client);
        win::ScopedGetDC screen(hwnd);
        dc_.reset(CreateCompatibleDC(screen.get()));
        bitmap_.reset(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
        select_.emplace(dc_.get(), bitmap_.get());
        SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc_.get()), 0);
    }
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_.get(), x, y); }

private:
    win::unique_hdc dc_;
    win::unique_hbitmap bitmap_;
    std::optional<win::ScopedSelect> select_;
};

// What the screen shows at a client pixel of `hwnd`, other windows included.
COLORREF ScreenPixel(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    const win::ScopedGetDC screen(nullptr);
    return GetPixel(screen.get(), p.x, p.y);
}

std::string Hex(COLORREF c) {
    char text[16];
    snprintf(text, sizeof text, "0x%06lX", static_cast<unsigned long>(c));
    return text;
}

// Where a fitted horizontal line at y (twips, X = 100) must lie on `form`, in client pixels.
struct LineRows {
    int y;      // twips
    int dark;   // pixel row of the dark line
    int white;  // pixel row of the white line
    int x0;     // first pixel
    int xEnd;   // one past the last pixel
};

// A fitted line runs from 100 twips to 200 twips short of the window's outer width, and its white
// half lies 15 twips under the dark one.
LineRows RowsOf(HWND window, int y) {
    const int dpi = testkit::ScreenDpi();
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = MulDiv(outer.right - outer.left, 1440, dpi);
    return {y, testkit::Pixels(y, dpi), testkit::Pixels(y + 15, dpi), testkit::Pixels(100, dpi),
            testkit::Pixels(width - 200, dpi)};
}

// Checks one line at a handful of x positions, with the background in the rows around it and
// before its start, through `pixel(x, y)`.
template <class Pixel>
void ExpectLine(const LineRows& r, Pixel pixel, const char* source) {
    const COLORREF back = GetSysColor(COLOR_BTNFACE);
    ASSERT_EQ(r.white, r.dark + 1) << "at " << r.y;
    ASSERT_GT(r.xEnd - r.x0, 40);
    const std::vector<int> xs{r.x0, r.x0 + 3, (r.x0 + r.xEnd) / 2, r.xEnd - 20, r.xEnd - 1};
    for (int x : xs) {
        SCOPED_TRACE(std::string(source) + ": line at y=" + std::to_string(r.y) +
                     " twips, x=" + std::to_string(x) + " px");
        EXPECT_EQ(Hex(pixel(x, r.dark)), Hex(kDark));
        EXPECT_EQ(Hex(pixel(x, r.white)), Hex(kWhite));
        EXPECT_EQ(Hex(pixel(x, r.dark - 1)), Hex(back));
        EXPECT_EQ(Hex(pixel(x, r.white + 1)), Hex(back));
    }
    SCOPED_TRACE(std::string(source) + ": ends of the line at y=" + std::to_string(r.y));
    EXPECT_EQ(Hex(pixel(r.x0 - 1, r.dark)), Hex(back));
    EXPECT_EQ(Hex(pixel(r.x0 - 1, r.white)), Hex(back));
    EXPECT_EQ(Hex(pixel(r.xEnd, r.dark)), Hex(back));
    EXPECT_EQ(Hex(pixel(r.xEnd, r.white)), Hex(back));
}

void ExpectLines(win::Form& form, const std::vector<int>& ys, const char* when) {
    SCOPED_TRACE(when);
    RECT client;
    GetClientRect(form.hwnd(), &client);
    for (int y : ys) {
        LineRows r = RowsOf(form.hwnd(), y);
        ASSERT_LT(r.xEnd, client.right) << "the line runs to the window's edge";
        const ErasedBackground image(form.hwnd());
        ExpectLine(
            r, [&](int x, int row) { return image.Pixel(x, row); }, "image");
        ExpectLine(
            r, [&](int x, int row) { return WindowPixel(form.hwnd(), x, row); }, "window");
        ExpectLine(
            r, [&](int x, int row) { return ScreenPixel(form.hwnd(), x, row); }, "screen");
    }
}

const std::vector<int> kMainLines{40, 400, 1850, 2225, 3875, 4325};
const std::vector<int> kLicenceLines{3030, 3450};

class LinePixels : public ::testing::Test {
protected:
    void SetUp() override {
        testkit::DispatchPendingMessages();
        for (int i = 0; i < 4; ++i) system_.AddPackage(i);
        modal_.Watch(form_);
        form_.Show();
        ASSERT_TRUE(IsWindowVisible(form_.hwnd()));
        Settle(form_.hwnd());
    }

    testkit::ModalForms modal_;
    testkit::PumpingRunSystem system_;
    testkit::RecordingLog log_;
    Form1 form_{system_, log_};
};

TEST_F(LinePixels, MainWindowShowsItsSixLines) { ExpectLines(form_, kMainLines, "shown"); }

TEST_F(LinePixels, LinesComeBackAfterTheWindowWasCovered) {
    RECT r;
    GetWindowRect(form_.hwnd(), &r);
    HWND cover =
        CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_BLACKRECT,
                        r.left - 10, r.top - 10, r.right - r.left + 20, r.bottom - r.top + 20,
                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(cover, nullptr);
    Settle(cover);
    const LineRows first = RowsOf(form_.hwnd(), kMainLines[0]);
    const int x = (first.x0 + first.xEnd) / 2;
    ASSERT_NE(ScreenPixel(form_.hwnd(), x, first.dark), kDark) << "the cover did not cover";
    DestroyWindow(cover);
    Settle(form_.hwnd());
    ExpectLines(form_, kMainLines, "uncovered");
}

TEST_F(LinePixels, LinesSurviveRepaintingFromScratch) {
    RedrawWindow(form_.hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle(form_.hwnd());
    ExpectLines(form_, kMainLines, "redrawn");
    // Switching the profile repaints the whole window.
    form_.Option1[1].SetValue(true);
    Settle(form_.hwnd());
    ExpectLines(form_, kMainLines, "uninstall profile");
}

TEST_F(LinePixels, LinesComeBackAfterMinimiseAndRestore) {
    ShowWindow(form_.hwnd(), SW_MINIMIZE);
    Settle(form_.hwnd());
    ASSERT_TRUE(IsIconic(form_.hwnd()));
    ShowWindow(form_.hwnd(), SW_RESTORE);
    Settle(form_.hwnd());
    ASSERT_FALSE(IsIconic(form_.hwnd()));
    ExpectLines(form_, kMainLines, "restored");
}

TEST_F(LinePixels, LicenceDialogShowsItsTwoLines) {
    modal_.act = [](win::Form& dialog) {
        Settle(dialog.hwnd());
        ExpectLines(dialog, kLicenceLines, "dialog shown");
        RedrawWindow(dialog.hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Settle(dialog.hwnd());
        ExpectLines(dialog, kLicenceLines, "dialog redrawn");
        SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
    };
    form_.ConfirmInstall();
    EXPECT_EQ(modal_.shown, 1);
}

}  // namespace
}  // namespace cvinst
