// Window responsiveness while RunAndWait waits for a long child: a second thread posts a message
// to a window every millisecond; the longest gap between two handled messages is reported.
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
    double longest = 0;
    double previous = start;
    for (double t : handled) {
        if (t > end) break;
        longest = std::max(longest, t - previous);
        previous = t;
    }
    longest = std::max(longest, end - previous);
    std::printf("responsiveness child_ms=%d handled=%zu longest_gap_ms=%.2f started=%d\n", childMs,
                handled.size(), longest, result.started ? 1 : 0);
    return result.started ? 0 : 1;
}
