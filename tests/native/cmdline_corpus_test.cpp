// Replays the fuzzer's seed corpus against the fuzzer's model of the language, so that what the
// fuzzer checks also holds in every ordinary test run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cmdline_fake_window.h"
#include "cmdline_oracle.h"
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

TEST(CmdlineCorpusTest, EverySeedIsReadAsTheFuzzersModelSays) {
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
        EXPECT_EQ(testkit::CommandLineDifference(input), "") << entry.path().filename().string();
        FakeCommandLineWindow window;
        if (AcceptCommandLine(input, window).ok) ++accepted;
    }
    EXPECT_GT(seeds, 0);
    EXPECT_GT(accepted, 0);  // the corpus has to reach past the parsers' failures
}

}  // namespace
}  // namespace cvinst
