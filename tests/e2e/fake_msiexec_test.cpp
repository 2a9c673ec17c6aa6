// The test kit's stand-in for msiexec: what a run of it does, and that the system's own comes back
// for the tests that need it.
#include "fake_msiexec.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/win32/text.h"
#include "driver.h"

namespace cvinst::e2e {
namespace {

using Lines = std::vector<std::string>;

// What a test killed while its fake was in place leaves behind.
void LeaveAFakeInPlace() {
    const std::wstring msiexec = win::Wide(SystemMsiexec());
    ASSERT_TRUE(MoveFileW(msiexec.c_str(), (msiexec + L".cvinst-real").c_str()));
    ASSERT_TRUE(CopyFileW(win::Wide(ToolFile("fake_msiexec.exe")).c_str(), msiexec.c_str(), FALSE));
}

class FakeMsiexecTest : public ::testing::Test {
protected:
    void SetUp() override {
        real_ = FileBytes(SystemMsiexec());
        ASSERT_TRUE(real_.has_value()) << "no " << SystemMsiexec();
        ASSERT_TRUE(Exists(ToolFile("fake_msiexec.exe"))) << "build the fake_msiexec target";
    }
    void TearDown() override {
        EXPECT_TRUE(FileBytes(SystemMsiexec()) == real_) << "the real msiexec.exe is not back";
        // Whatever a failed step left, the prefix keeps its msiexec.
        PutBackRealMsiexec();
    }

    std::optional<std::string> real_;
};

TEST_F(FakeMsiexecTest, LogsEachRunAndExitsWithTheScriptedCodesThenZero) {
    const FakeMsiexec fake;
    ASSERT_TRUE(fake.Active());
    EXPECT_FALSE(FileBytes(SystemMsiexec()) == real_) << "the real msiexec.exe is still there";
    ASSERT_TRUE(fake.SetExitCodes({1603, 3010}));
    EXPECT_EQ(RunSystemMsiExec("/i \"C:\\Установка\\CVMenu.msi\" /qn"), 1603u);
    EXPECT_EQ(RunSystemMsiExec("/x \"D:\\Setup\\CVWork.msi\""), 3010u);
    EXPECT_EQ(RunSystemMsiExec("/i third"), 0u);
    const std::string run = "\"" + fake.Path() + "\" ";
    EXPECT_EQ(fake.CommandLines(), (Lines{run + "/i \"C:\\Установка\\CVMenu.msi\" /qn",
                                          run + "/x \"D:\\Setup\\CVWork.msi\"", run + "/i third"}));
}

TEST_F(FakeMsiexecTest, WaitsTheGivenDelayBeforeItExits) {
    const FakeMsiexec fake;
    ASSERT_TRUE(fake.Active());
    ASSERT_TRUE(fake.SetDelay(kDeadlineMs));
    const Installer delayed(fake.Path(), "/i delayed", "");
    ASSERT_TRUE(delayed.Started());
    // The run is logged before the delay; it still runs then.
    ASSERT_TRUE(WaitUntil([&] { return fake.CommandLines().size() == 1; }));
    EXPECT_TRUE(delayed.Running());
}

TEST_F(FakeMsiexecTest, PutsBackARealOneLeftAsideByAnInterruptedTest) {
    ASSERT_NO_FATAL_FAILURE(LeaveAFakeInPlace());
    {
        const FakeMsiexec fake;
        EXPECT_TRUE(fake.Active());
    }
    EXPECT_FALSE(Exists(SystemMsiexec() + ".cvinst-real"));
}

// A test of the real msiexec after one killed with its fake in place.
class CleanMachineAfterAnInterruptedFake : public CleanMachineTest {
protected:
    void SetUp() override {
        real_ = FileBytes(SystemMsiexec());
        ASSERT_TRUE(real_.has_value()) << "no " << SystemMsiexec();
        ASSERT_NO_FATAL_FAILURE(LeaveAFakeInPlace());
        CleanMachineTest::SetUp();
    }
    void TearDown() override {
        CleanMachineTest::TearDown();
        PutBackRealMsiexec();
    }

    std::optional<std::string> real_;
};

TEST_F(CleanMachineAfterAnInterruptedFake, RunsTheRealMsiexecAgain) {
    EXPECT_TRUE(FileBytes(SystemMsiexec()) == real_) << "the fake is still in place";
    EXPECT_FALSE(Exists(SystemMsiexec() + ".cvinst-real"));
}

// A test that holds a fake on purpose: its fixture's clean-up leaves it in place.
class CleanMachineWithAFake : public CleanMachineTest {
protected:
    FakeMsiexec fake;
};

TEST_F(CleanMachineWithAFake, KeepsTheFakeItHolds) {
    ASSERT_TRUE(fake.Active());
    EXPECT_EQ(RunSystemMsiExec("/i held"), 0u);
    EXPECT_EQ(fake.CommandLines(), Lines{"\"" + fake.Path() + "\" /i held"});
}

}  // namespace
}  // namespace cvinst::e2e
