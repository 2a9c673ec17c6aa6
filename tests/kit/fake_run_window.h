#pragma once
// A recording stand-in for the main window as the install run sees it, and the journal it shares
// with testkit::FakeRunSystem, so that the order of calls across window and machine shows.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/install_run.h"

namespace cvinst::testkit {

class Journal {
public:
    // Keeps the entry; the call that makes the entry `throwAt` then throws, as a failing window
    // or system call would.
    void Record(const std::string& entry);

    // The entries that start with `prefix`, without it.
    std::vector<std::string> Matching(std::string_view prefix) const;
    // The last `count` entries (all of them when there are fewer).
    std::vector<std::string> Tail(std::size_t count) const;

    std::vector<std::string> entries;
    std::string throwAt;
    bool throwNonStandard = false;  // throws an int rather than a std::exception
};

class FakeRunWindow : public RunWindow {
public:
    explicit FakeRunWindow(Journal& journal) : journal_(journal) {}

    bool ConfirmInstall() override;
    bool ConfirmRemoval() override;
    void EnableCmds(bool enabled) override;
    void Sata(std::string_view text) override;
    int ProgramCheck(int index) override { return checks.at(static_cast<std::size_t>(index)); }
    void FocusExit() override;
    void SetRunDone(bool done) override;
    void ShowError(std::string_view text) override;

    bool acceptInstall = true;
    bool acceptRemoval = true;
    std::array<int, 4> checks{};

private:
    Journal& journal_;
};

}  // namespace cvinst::testkit
