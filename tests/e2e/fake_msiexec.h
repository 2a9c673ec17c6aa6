#pragma once
// A stand-in for the system's msiexec, for tests that look at what CVInst asks of it rather than
// at what a package does. Texts are UTF-8.
#include <windows.h>

#include <string>
#include <vector>

namespace cvinst::e2e {

// While it lives, the test prefix's own msiexec.exe, the one CVInst of the build under test finds
// in its system folder (SysWOW64 for the x86 build, System32 for the x64 one; the tests are built
// for the same architecture, so their own system folder is that one), is
// tests/win32/tools/fake_msiexec.exe: every run of it is logged and ends with
// the exit code the test chose, and nothing is installed or removed. The real one is set aside
// beside it and put back at the end, also when the test fails; one set aside by an interrupted
// test is put back first. Declare it after anything that starts CVInst, so that no run of the
// fake is still going when the real one comes back.
//
// A test killed while its fake stood in leaves the fake in place until something puts the real
// one back: the next FakeMsiexec does, and so does every test that needs the real one
// (CleanMachineTest), through PutBackRealMsiexec.
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
    static inline int inPlace_ = 0;  // fakes of this process standing in now
    friend bool PutBackRealMsiexec();
};

// Puts back a real msiexec.exe that an interrupted test left aside, unless a FakeMsiexec of this
// process stands in on purpose now. True when the one in place is the real one, or such a fake.
bool PutBackRealMsiexec();

}  // namespace cvinst::e2e
