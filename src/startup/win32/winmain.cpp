#include <windows.h>

#include "base/installer_codes.h"
#include "base/win32/text.h"
#include "engine/win32/run_system.h"
#include "forms/common_controls.h"
#include "forms/message_loop.h"
#include "forms/msgbox.h"
#include "startup/win32/environment.h"
#include "startup/win32/module1.h"
#include "support/win32/log_file.h"
#include "ui/win32/form1.h"

namespace {

constexpr char kStopped[] = "Corvane Installer stopped after an unexpected error.";

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // A setup program runs from folders others can write to: never load a DLL from there.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");

    // Only now that the search is restricted: comctl32 is no known DLL.
    cvinst::win::LoadCommonControls();

    // Outlives everything else: the message boxes, to the last, are logged.
    cvinst::LogFile log;
    try {
        cvinst::WinRunSystem system;
        cvinst::Form1 form(system, log);
        const cvinst::MainResult result =
            cvinst::Main(cvinst::win::Utf8(GetCommandLineW()), form, log);
        if (result.interactive) {
            cvinst::win::RunMessageLoop();
            cvinst::LogWindowClosed(log, form, result.exitStatus);
        }
        return result.exitStatus;
    } catch (...) {
        // The window is gone; what it would have said goes where someone can read it.
        log.Write(std::string("Stopped after an unexpected error"));
        if (cvinst::WindowStationVisible()) {
            cvinst::win::MessageBoxes boxes;
            boxes.title = "Corvane Installer";
            boxes.Show(nullptr, kStopped, MB_OK | MB_ICONEXCLAMATION);
        } else {
            cvinst::WriteToStandardError(kStopped);
        }
        cvinst::LogExit(log, cvinst::installer::InstallFailure);
        return cvinst::installer::InstallFailure;
    }
}
