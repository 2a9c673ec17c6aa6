// The demo programs that the demo packages install. One source, built three times:
// CVDEMO_MENU, CVDEMO_WORK or CVDEMO_PSERV picks the program.
#include <windows.h>

#include <cwctype>

namespace {

#if defined(CVDEMO_MENU)
constexpr wchar_t kTitle[] = L"Corvane Menu";
#elif defined(CVDEMO_WORK)
constexpr wchar_t kTitle[] = L"Corvane Workstation";
#elif defined(CVDEMO_PSERV)
constexpr wchar_t kTitle[] = L"Corvane Personal Server";
#else
#error "define CVDEMO_MENU, CVDEMO_WORK or CVDEMO_PSERV"
#endif

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, kTitle, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

int ShowWindowUntilClosed(HINSTANCE inst, int show) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"CorvaneDemoWindow";
    if (!RegisterClassW(&wc)) return 1;
    HWND wnd = CreateWindowW(wc.lpszClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, 320, 120, nullptr, nullptr, inst, nullptr);
    if (!wnd) return 1;
    ShowWindow(wnd, show);
    UpdateWindow(wnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

#if defined(CVDEMO_PSERV)
// The installer starts the server with " /REGISTERCOM" appended to an unquoted path, so the
// switch is looked for anywhere in the raw command line rather than in parsed arguments.
bool WantsRegistration() {
    constexpr wchar_t kSwitch[] = L"/REGISTERCOM";
    for (const wchar_t* p = GetCommandLineW(); *p; ++p) {
        size_t i = 0;
        while (kSwitch[i] && std::towupper(p[i]) == static_cast<wint_t>(kSwitch[i])) ++i;
        if (!kSwitch[i]) return true;
    }
    return false;
}

int Register() {
    wchar_t path[MAX_PATH];
    DWORD len = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return 2;
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Corvane\\Personal Server", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 3;
    DWORD count = 0;
    DWORD type = 0;
    DWORD size = sizeof count;
    if (RegQueryValueExW(key, L"RegisterCount", nullptr, &type, reinterpret_cast<BYTE*>(&count),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof count)
        count = 0;
    ++count;
    int rc = 0;
    if (RegSetValueExW(key, L"Registered", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                       (len + 1) * sizeof(wchar_t)) != ERROR_SUCCESS ||
        RegSetValueExW(key, L"RegisterCount", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                       sizeof count) != ERROR_SUCCESS)
        rc = 4;
    RegCloseKey(key);
    return rc;
}
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int show) {
#if defined(CVDEMO_PSERV)
    if (WantsRegistration()) return Register();
#endif
    return ShowWindowUntilClosed(inst, show);
}
