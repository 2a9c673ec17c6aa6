#pragma once
// A stand-in for the system's msiexec, for tests that look at what CVInst asks of it rather than
// at what a package does. Texts are UTF-8.
#include <windows.h>

#include <string>
#include <vector>

namespace cvinst::e2e {

// While it lives, the test prefix's own msiexec.exe, the one a 32-bit program finds in its
// system folder, is tests/win32/tools/fake_msiexec.exe: every run of it is logged and ends with
// the exit code the test chose, and nothing is installed or removed. The real one is set aside
// beside it and put back at the end, also when the test fails; one set aside by an interrupted
// test is put back first. Declare it after anything that starts CVInst, so that no run of the
// fake is still going when the real one comes back.
class FakeMsiexec {
public:
    FakeMsiexec();
    ~FakeMsiexec();
    FakeMsiexec(const FakeMsiexec&) = delete;
    FakeMsiexec& operator=(const FakeMsiexec&) = delete;

    // Whether the fake is in place.
    bool Active() const { return active_; }
    // The path the programs start it by: the system folder's msiexec.exe.
    const std::string& Path() const { return path_; }

    // Exit codes of the coming runs, in order; the runs after them exit with 0.
    bool SetExitCodes(const std::vector<DWORD>& codes) const;
    // Milliseconds each run waits before it exits.
    bool SetDelay(DWORD milliseconds) const;
    // The whole command line of each run so far, in order.
    std::vector<std::string> CommandLines() const;

private:
    std::string path_;
    bool active_ = false;
};

}  // namespace cvinst::e2e
