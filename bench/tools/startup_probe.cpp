// Start-up time: from CreateProcess to the first visible top-level window of the child, for the
// programs named on the command line, alternating, over several rounds.
#include <windows.h>

#include <string>
#include <vector>

#include "bench_common.h"

namespace {
struct Search {
    DWORD pid;
    bool found;
};

BOOL CALLBACK Find(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && IsWindowVisible(hwnd)) {
        s->found = true;
        return FALSE;
    }
    return TRUE;
}

double TimeToWindow(const std::wstring& exe) {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + exe + L"\"";
    double start = NowMs();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    Search s{pi.dwProcessId, false};
    double elapsed = -1;
    while (NowMs() - start < 30000) {
        EnumWindows(Find, reinterpret_cast<LPARAM>(&s));
        if (s.found) {
            elapsed = NowMs() - start;
            break;
        }
        Sleep(1);
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return elapsed;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::printf("usage: startup_probe rounds program.exe baseline.exe\n");
        return 2;
    }
    int rounds = _wtoi(argv[1]);
    std::vector<double> program, baseline;
    for (int i = 0; i < rounds; ++i) {
        program.push_back(TimeToWindow(argv[2]));
        baseline.push_back(TimeToWindow(argv[3]));
    }
    double p = Percentile(program, 0.5), b = Percentile(baseline, 0.5);
    std::printf("startup rounds=%d program_median_ms=%.1f baseline_median_ms=%.1f ratio=%.3f\n", rounds, p, b,
                b > 0 ? p / b : 0.0);
    return 0;
}
