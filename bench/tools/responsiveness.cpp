// Window responsiveness while RunAndWait starts and waits for a long child: a second thread posts
// a message to a window every millisecond; the longest gap between two handled messages is
// reported with where in the wait it began.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "bench_common.h"
#include "engine/win32/process.h"

namespace {
constexpr UINT kTick = WM_APP + 7;
std::vector<double> handled;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kTick) {
        handled.push_back(NowMs());
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"child") {
        Sleep(static_cast<DWORD>(_wtoi(argv[2])));
        return 0;
    }
    int childMs = argc > 1 ? _wtoi(argv[1]) : 3000;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CVInstBenchResponsiveness";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, wc.hInstance, nullptr);
    std::atomic<bool> stop{false};
    std::thread ticker([&] {
        while (!stop) {
            PostMessageW(hwnd, kTick, 0, 0);
            Sleep(1);
        }
    });
    std::wstring self = SelfPath();
    double start = NowMs();
    auto result = cvinst::RunAndWait(self, L"\"" + self + L"\" child " + std::to_wstring(childMs));
    double end = NowMs();
    stop = true;
    ticker.join();
    // Where the longest gap began, from the start of the wait: the process is created at its
    // start, its end is noticed at its end.
    double longest = 0;
    double longestAt = 0;
    double previous = start;
    const auto gap = [&](double from, double to) {
        if (to - from <= longest) return;
        longest = to - from;
        longestAt = from - start;
    };
    for (double t : handled) {
        if (t > end) break;
        gap(previous, t);
        previous = t;
    }
    gap(previous, end);
    const double waited = end - start;
    const char* where = longestAt < 100                      ? "start (the child's creation)"
                        : longestAt + longest > waited - 100 ? "end (the child's end noticed)"
                                                             : "middle";
    std::printf(
        "responsiveness child_ms=%d handled=%zu longest_gap_ms=%.2f longest_gap_at_ms=%.1f of "
        "%.1f (%s) started=%d\n",
        childMs, handled.size(), longest, longestAt, waited, where, result.started ? 1 : 0);
    return result.started ? 0 : 1;
}
