// Replays the fuzzer's seed corpus, so the properties the fuzzer checks also hold in every
// ordinary test run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cmdline_fake_window.h"
#include "startup/cmdline.h"

namespace cvinst {
namespace {

namespace fs = std::filesystem;
using testkit::FakeCommandLineWindow;

fs::path CorpusFolder() {
    return fs::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz" / "corpus" /
           "cmdline";
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Windows as the parser can meet them: all usable, some packages missing, no rights.
std::vector<FakeCommandLineWindow> Windows() {
    std::vector<FakeCommandLineWindow> windows(3);
    windows[1].checkEnabled = {true, false, true, false};
    windows[2].actionEnabled = {false, false};
    return windows;
}

TEST(CmdlineCorpusTest, EverySeedKeepsTheParseInvariants) {
    const fs::path folder = CorpusFolder();
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
#ifdef _WIN32
        GTEST_SKIP() << "corpus not reachable from this build: " << folder.string();
#else
        FAIL() << "corpus folder missing: " << folder.string();
#endif
    }

    int seeds = 0;
    int accepted = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        ++seeds;
        const std::string input = ReadFile(entry.path());
        for (FakeCommandLineWindow window : Windows()) {
            const Acceptance result = AcceptCommandLine(input, window);
            EXPECT_EQ(testkit::BrokenParseInvariant(input, window, result), "")
                << entry.path().filename().string();
            if (result.ok) ++accepted;
        }
    }
    EXPECT_GT(seeds, 0);
    EXPECT_GT(accepted, 0);  // the corpus has to reach past the parsers' failures
}

}  // namespace
}  // namespace cvinst
