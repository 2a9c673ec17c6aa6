// sleeper.exe <milliseconds> <exitcode> [event]
// Sleeps, then exits with the given code. With the name of an event it waits for that event
// instead, at most the given time, and exits with the code only when the event was set
// (258 when the time ran out, 255 when the event does not exist).
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 254;
    const DWORD milliseconds = std::wcstoul(argv[1], nullptr, 10);
    const int exitCode = static_cast<int>(std::wcstoul(argv[2], nullptr, 10));
    if (argc < 4) {
        Sleep(milliseconds);
        return exitCode;
    }
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
    if (!event) return 255;
    const DWORD wait = WaitForSingleObject(event, milliseconds);
    CloseHandle(event);
    return wait == WAIT_OBJECT_0 ? exitCode : 258;
}
