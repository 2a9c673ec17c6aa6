// Notice latency: from a child process's last instruction to RunAndWait returning, over many short
// children. The child writes its exit moment into shared memory just before it ends.
#include <windows.h>

#include <string>

#include "bench_common.h"
#include "engine/win32/process.h"

namespace {
struct Shared {
    double exitMs;
};
constexpr wchar_t kMapping[] = L"Local\\CVInstBenchWaitLatency";
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"child") {
        HANDLE map = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kMapping);
        auto* shared =
            map ? static_cast<Shared*>(MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, sizeof(Shared)))
                : nullptr;
        if (shared) shared->exitMs = NowMs();
        ExitProcess(0);
    }
    int rounds = argc > 1 ? _wtoi(argv[1]) : 200;
    HANDLE map = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(Shared), kMapping);
    auto* shared = static_cast<Shared*>(MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, sizeof(Shared)));
    std::wstring self = SelfPath();
    std::vector<double> latencies;
    for (int i = 0; i < rounds; ++i) {
        shared->exitMs = 0;
        auto result = cvinst::RunAndWait(self, L"\"" + self + L"\" child");
        double returned = NowMs();
        if (result.started && shared->exitMs > 0) latencies.push_back(returned - shared->exitMs);
    }
    std::printf("wait_latency rounds=%zu median_ms=%.2f p95_ms=%.2f max_ms=%.2f\n",
                latencies.size(), Percentile(latencies, 0.5), Percentile(latencies, 0.95),
                Percentile(latencies, 1.0));
    return latencies.size() == static_cast<size_t>(rounds) ? 0 : 1;
}
