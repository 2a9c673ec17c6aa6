#include <windows.h>

#include "forms/common_controls.h"
#include "forms/handles.h"
#include "forms/message_loop.h"
#include "forms/msgbox.h"
#include "forms/text.h"
#include "startup/cmdline.h"
#include "startup/exit_codes.h"
#include "startup/win32/module1.h"
#include "ui/profile.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // A setup program runs from folders others can write to: never load a DLL from there.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");

    // Only now that the search is restricted: comctl32 is no known DLL.
    cvinst::win::LoadCommonControls();

    try {
        const std::string arguments = cvinst::ArgumentText(cvinst::win::Utf8(GetCommandLineW()));
        // Two installers would fight over the same packages (and msiexec runs one install at a
        // time): a second one says so and leaves. The help needs no guard.
        cvinst::win::unique_handle running(CreateMutexW(nullptr, FALSE, L"Local\\Corvane.CVInst"));
        if (GetLastError() == ERROR_ALREADY_EXISTS && !cvinst::IsHelpRequest(arguments)) {
            if (arguments.empty())
                cvinst::win::ShowMessageBox(nullptr, cvinst::kAlreadyRunning,
                                            MB_OK | MB_ICONEXCLAMATION, "Corvane Installer");
            return cvinst::exitcode::AlreadyRunning;
        }
        const cvinst::MainResult result = cvinst::Main(arguments);
        if (result.interactive) cvinst::win::RunMessageLoop();
        return result.exitStatus;
    } catch (...) {
        MessageBoxW(nullptr, L"Corvane Installer stopped after an unexpected error.",
                    L"Corvane Installer", MB_OK | MB_ICONEXCLAMATION);
        return cvinst::exitcode::InstallFailure;
    }
}
