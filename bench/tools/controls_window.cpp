// The floor of the start-up benchmark: the minimal window plus what every program with common
// controls 6 pays before its window can be shown — the same manifest, comctl32 loaded from the
// system folder and the main window's twelve controls (three labels, two option buttons, five
// check boxes, two push buttons) at their sizes in pixels at 96 DPI.
#include <windows.h>

#include "forms/common_controls.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    cvinst::win::LoadCommonControls();  // as CVInst.exe loads them
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"ControlsWindow";
    RegisterClassW(&wc);
    HWND hwnd =
        CreateWindowW(wc.lpszClassName, L"Controls", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                      CW_USEDEFAULT, CW_USEDEFAULT, 493, 362, nullptr, nullptr, instance, nullptr);
    struct Child {
        const wchar_t* cls;
        DWORD style;
        int x, y, w, h;
    };
    const Child children[] = {
        {L"STATIC", SS_LEFT, 14, 10, 65, 13},
        {L"BUTTON", BS_RADIOBUTTON, 26, 36, 491, 17},
        {L"BUTTON", BS_RADIOBUTTON, 26, 57, 491, 17},
        {L"STATIC", SS_LEFT, 14, 130, 94, 13},
        {L"BUTTON", BS_CHECKBOX, 26, 156, 447, 17},
        {L"BUTTON", BS_CHECKBOX, 26, 182, 447, 17},
        {L"BUTTON", BS_CHECKBOX, 26, 208, 447, 17},
        {L"BUTTON", BS_CHECKBOX, 26, 234, 349, 17},
        {L"BUTTON", BS_CHECKBOX, 388, 234, 83, 17},
        {L"STATIC", SS_LEFT, 15, 268, 457, 14},
        {L"BUTTON", BS_DEFPUSHBUTTON, 14, 300, 350, 23},
        {L"BUTTON", BS_PUSHBUTTON, 381, 300, 90, 23},
    };
    HFONT font =
        CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    for (const Child& c : children) {
        HWND child =
            CreateWindowW(c.cls, L"Install Corvane Workstation", WS_CHILD | WS_VISIBLE | c.style,
                          c.x, c.y, c.w, c.h, hwnd, nullptr, instance, nullptr);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
