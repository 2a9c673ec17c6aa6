// codepage.exe <event>: exits with its ANSI code page (GetACP()) once the named event is set, or
// with 0 after a minute without it. Started with a chosen locale, it shows which code page a
// program gets from that locale; the wait lets the starter find the process before it ends.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 0;
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, argv[1]);
    if (!event) return 0;
    const DWORD wait = WaitForSingleObject(event, 60000);
    CloseHandle(event);
    return wait == WAIT_OBJECT_0 ? static_cast<int>(GetACP()) : 0;
}
