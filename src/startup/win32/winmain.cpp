#include <windows.h>

#include <commctrl.h>

#include "forms/form.h"
#include "forms/text.h"
#include "startup/cmdline.h"
#include "startup/win32/module1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // A setup program runs from folders others can write to: never load a DLL from there.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    try {
        bool interactive = false;
        std::string arguments = cvinst::ArgumentText(cvinst::win::Utf8(GetCommandLineW()));
        int status = cvinst::Main(arguments, interactive);
        if (interactive) {
            cvinst::win::Form::RunMessageLoop();
        }
        return status;
    } catch (...) {
        MessageBoxW(nullptr, L"Corvane Installer stopped after an unexpected error.", L"Corvane Installer",
                    MB_OK | MB_ICONEXCLAMATION);
        return 1603;
    }
}
