#include "forms/common_controls.h"

#include <windows.h>

#include <commctrl.h>

namespace cvinst::win {

void LoadCommonControls() {
    HMODULE comctl = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!comctl) return;
    // Looked up rather than imported: an import would load comctl32 before the DLL search is
    // restricted.
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (auto init = reinterpret_cast<InitFn>(
            reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")))) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
        init(&icc);
    }
}

}  // namespace cvinst::win
