// The test kit's stand-in for msiexec: what a run of it does, and that the system's own comes back.
#include "fake_msiexec.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "forms/handles.h"
#include "forms/text.h"

namespace cvinst::e2e {
namespace {

using Lines = std::vector<std::string>;

class FakeMsiexecTest : public ::testing::Test {
protected:
    void SetUp() override {
        real_ = FileBytes(SystemMsiexec());
        ASSERT_TRUE(real_.has_value()) << "no " << SystemMsiexec();
        ASSERT_TRUE(FileExists(ToolFile("fake_msiexec.exe"))) << "build the fake_msiexec target";
    }
    void TearDown() override {
        EXPECT_EQ(FileBytes(SystemMsiexec()), real_) << "the real msiexec.exe is not back";
        // Whatever a failed step left, the prefix keeps its msiexec.
        const std::wstring aside = win::Wide(SystemMsiexec() + ".cvinst-real");
        if (FileExists(win::Utf8(aside)))
            MoveFileExW(aside.c_str(), win::Wide(SystemMsiexec()).c_str(),
                        MOVEFILE_REPLACE_EXISTING);
    }

    std::optional<std::string> real_;
};

TEST_F(FakeMsiexecTest, LogsEachRunAndExitsWithTheScriptedCodesThenZero) {
    const FakeMsiexec fake;
    ASSERT_TRUE(fake.Active());
    EXPECT_NE(FileBytes(SystemMsiexec()), real_);
    ASSERT_TRUE(fake.SetExitCodes({1603, 3010}));
    EXPECT_EQ(RunSystemMsiExec("/i \"C:\\Установка\\CVMenu.msi\" /qn"), 1603u);
    EXPECT_EQ(RunSystemMsiExec("/x \"D:\\Setup\\CVWork.msi\""), 3010u);
    EXPECT_EQ(RunSystemMsiExec("/i third"), 0u);
    std::string run(1, '"');
    run += fake.Path() + "\" ";
    EXPECT_EQ(fake.CommandLines(), (Lines{run + "/i \"C:\\Установка\\CVMenu.msi\" /qn",
                                          run + "/x \"D:\\Setup\\CVWork.msi\"", run + "/i third"}));
}

TEST_F(FakeMsiexecTest, WaitsTheGivenDelayBeforeItExits) {
    const FakeMsiexec fake;
    ASSERT_TRUE(fake.Active());
    ASSERT_TRUE(fake.SetDelay(kDeadlineMs));
    std::wstring line = L"\"" + win::Wide(fake.Path()) + L"\" /i delayed";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(win::Wide(fake.Path()).c_str(), line.data(), nullptr, nullptr, FALSE,
                               0, nullptr, nullptr, &si, &pi));
    const win::unique_handle process(pi.hProcess);
    const win::unique_handle thread(pi.hThread);
    // The run is logged before the delay; it still runs then.
    ASSERT_TRUE(WaitUntil([&] { return fake.CommandLines().size() == 1; }, kDeadlineMs));
    EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), kDeadlineMs);
}

TEST_F(FakeMsiexecTest, PutsBackARealOneLeftAsideByAnInterruptedTest) {
    // What a test killed while its fake was in place leaves behind.
    const std::string msiexec = SystemMsiexec();
    const std::string aside = msiexec + ".cvinst-real";
    ASSERT_TRUE(MoveFileW(win::Wide(msiexec).c_str(), win::Wide(aside).c_str()));
    ASSERT_TRUE(CopyFileW(win::Wide(ToolFile("fake_msiexec.exe")).c_str(),
                          win::Wide(msiexec).c_str(), FALSE));
    {
        const FakeMsiexec fake;
        EXPECT_TRUE(fake.Active());
    }
    EXPECT_FALSE(FileExists(aside));
}

}  // namespace
}  // namespace cvinst::e2e
