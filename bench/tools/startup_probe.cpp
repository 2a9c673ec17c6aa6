// Start-up time: from CreateProcess to the first visible top-level window of the child, for the
// programs named on the command line, alternating, over several rounds.
#include <windows.h>

#include <string>
#include <vector>

#include "bench_common.h"

namespace {

// Polling the whole window list takes the same server the child needs while it starts and slows
// it down. A window-event hook tells which top-level windows the child creates (Wine sends no
// event when a window is shown), and only those are looked at, once a millisecond.
DWORD watchedPid = 0;
std::vector<HWND> created;

void CALLBACK OnCreate(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG, DWORD, DWORD) {
    if (object != OBJID_WINDOW || !hwnd || GetAncestor(hwnd, GA_ROOT) != hwnd) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == watchedPid) created.push_back(hwnd);
}

bool AnyShown() {
    for (HWND hwnd : created)
        if (IsWindowVisible(hwnd)) return true;
    return false;
}

double TimeToWindow(const std::wstring& exe) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + exe + L"\"";
    created.clear();
    double start = NowMs();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &si, &pi))
        return -1;
    watchedPid = pi.dwProcessId;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr,
                                         OnCreate, pi.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
    ResumeThread(pi.hThread);
    double elapsed = -1;
    while (NowMs() - start < 30000) {
        if (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 1, QS_ALLINPUT) == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (AnyShown()) {
            elapsed = NowMs() - start;
            break;
        }
    }
    if (hook) UnhookWinEvent(hook);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return elapsed;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::printf("usage: startup_probe rounds program.exe baseline.exe [other.exe...]\n");
        return 2;
    }
    int rounds = _wtoi(argv[1]);
    int programs = argc - 2;
    std::vector<std::vector<double>> times(static_cast<size_t>(programs));
    // One start of each in turn, so that a slow moment of the machine hits them all alike; the
    // first round only warms the caches.
    for (int i = 0; i <= rounds; ++i)
        for (int p = 0; p < programs; ++p) {
            double t = TimeToWindow(argv[2 + p]);
            if (i > 0) times[static_cast<size_t>(p)].push_back(t);
        }
    double program = Percentile(times[0], 0.5), baseline = Percentile(times[1], 0.5);
    std::printf("startup rounds=%d program_median_ms=%.1f baseline_median_ms=%.1f ratio=%.3f\n",
                rounds, program, baseline, baseline > 0 ? program / baseline : 0.0);
    for (int p = 2; p < programs; ++p) {
        double other = Percentile(times[static_cast<size_t>(p)], 0.5);
        std::printf("startup other=%d other_median_ms=%.1f program_to_other_ratio=%.3f\n", p - 1,
                    other, other > 0 ? program / other : 0.0);
    }
    return 0;
}
