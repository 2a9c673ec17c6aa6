// What reading a command line costs against its length, for each option (and a word that is
// none) repeated to fill it: the growth table of the benchmarks page. Built by
// bench/cmdline-growth.sh with optimisation and without sanitizers; never part of the tests.
#include <benchmark/benchmark.h>
#include <string>
#include <string_view>

#include "startup/cmdline.h"
#include "startup/deploy_options.h"

namespace {

// The start's whole reading, as Main does it: the deployment options, the help, the run request
// and the words it ignores.
void ReadAsMainDoes(const std::string& line) {
#ifdef CVINST_BENCH_SUBSTRING_READER
    // The reader before the table of forms: each reading searches the text again.
    const cvinst::DeployOptions deploy = cvinst::TakeDeployOptions(line);
    benchmark::DoNotOptimize(cvinst::IsHelpRequest(deploy.rest));
    benchmark::DoNotOptimize(cvinst::ParseCommandLine(deploy.rest));
#else
    const cvinst::OptionReading reading = cvinst::ReadOptions(line);
    const cvinst::DeployOptions deploy = cvinst::TakeDeployOptions(reading);
    benchmark::DoNotOptimize(cvinst::IsHelpRequest(deploy.rest));
    benchmark::DoNotOptimize(cvinst::ParseCommandLine(reading));
    benchmark::DoNotOptimize(cvinst::DescribeIgnored(reading));
#endif
}

void Repeated(benchmark::State& state, std::string_view piece) {
    std::string line;
    while (line.size() + piece.size() <= static_cast<size_t>(state.range(0))) line += piece;
    for (auto _ : state) ReadAsMainDoes(line);
    state.SetComplexityN(state.range(0));
}

#define GROWTH(name, piece)                  \
    BENCHMARK_CAPTURE(Repeated, name, piece) \
        ->Arg(1000)                          \
        ->Arg(4000)                          \
        ->Arg(16000)                         \
        ->Arg(32000)                         \
        ->Unit(benchmark::kMicrosecond)      \
        ->Complexity()

GROWTH(wait, "/WAIT:5 ");
GROWTH(log, "/LOG=\"x\" ");
GROWTH(msi, "/MSI=\"x\" ");
GROWTH(programs, "/P:M ");
GROWTH(show, "/SHOW ");
GROWTH(install, "/I ");
GROWTH(uninstall, "/U ");
GROWTH(skip, "/T ");
GROWTH(unknown, "/quiet ");

}  // namespace

BENCHMARK_MAIN();
