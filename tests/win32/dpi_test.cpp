// The windows keep their layout at any screen DPI: every twip measure scales with it. Runs at
// 96 DPI in the ordinary test prefix and at 144 DPI in a prefix of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/run_options.h"
#include "ui/win32/form1.h"
#include "ui/win32/license.h"
#include "win32_run_system.h"
#include "win32_windows.h"

namespace cvinst {
namespace {

// Client size and the position and size of every control except auto-sized labels, in pixels
// from the twips the form holds, within one pixel of rounding.
void ExpectLayoutAt(const win::Form& form, int clientWidth, int clientHeight, int dpi) {
    using testkit::Pixels;
    const SIZE client = testkit::ClientSize(form.hwnd());
    EXPECT_NEAR(client.cx, Pixels(clientWidth, dpi), 1) << form.Caption();
    EXPECT_NEAR(client.cy, Pixels(clientHeight, dpi), 1) << form.Caption();
    for (const win::Control* c : form.Controls()) {
        const RECT r = testkit::RectInParent(c->hwnd());
        SCOPED_TRACE(c->Caption());
        EXPECT_NEAR(r.left, Pixels(c->Left(), dpi), 1);
        EXPECT_NEAR(r.top, Pixels(c->Top(), dpi), 1);
        if (!dynamic_cast<const win::Label*>(c)) {
            EXPECT_NEAR(r.right - r.left, Pixels(c->Width(), dpi), 1);
            EXPECT_NEAR(r.bottom - r.top, Pixels(c->Height(), dpi), 1);
        }
    }
}

class HighDpi : public ::testing::Test {
protected:
    void SetUp() override {
        const char* expected = std::getenv("CVINST_EXPECT_DPI");
        if (!expected) GTEST_SKIP() << "CVINST_EXPECT_DPI names the prefix's DPI";
        dpi = testkit::ScreenDpi();
        ASSERT_EQ(dpi, std::atoi(expected));
        for (int i = 0; i < 4; ++i) system.AddPackage(i);
    }
    void TearDown() override { testkit::DispatchPendingMessages(); }

    int dpi = 0;
    testkit::PumpingRunSystem system;
};

TEST_F(HighDpi, MainWindowScalesEveryMeasure) {
    testkit::RecordingLog log;
    Form1 form(system, log);
    form.Load();
    ASSERT_TRUE((form.hwnd() != nullptr));
    EXPECT_EQ(form.Dpi(), dpi);
    ExpectLayoutAt(form, 7305, 4995, dpi);
    // The status line at 4020 twips: 268 px at 96 DPI, 402 px at 144 DPI.
    EXPECT_EQ(testkit::RectInParent(form.Label2.hwnd()).top, 4020 * dpi / 1440);
}

TEST_F(HighDpi, LicenceDialogScalesEveryMeasure) {
    const LocaleFont localeFont;
    License dialog(localeFont);
    dialog.Load();
    ASSERT_TRUE((dialog.hwnd() != nullptr));
    ExpectLayoutAt(dialog, 7575, 4110, dpi);
    // The fonts grow with the DPI too: 8 points are dpi / 9 pixels high.
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog.Text1.hwnd(), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    ASSERT_TRUE(GetObjectW(font, sizeof lf, &lf));
    EXPECT_EQ(-lf.lfHeight, MulDiv(8, dpi, 72));
}

}  // namespace
}  // namespace cvinst
