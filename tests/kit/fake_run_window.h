#pragma once
// A recording stand-in for the main window as the install run sees it, and the journal it shares
// with testkit::FakeRunSystem, so that the order of calls across window and machine shows.
#include <algorithm>
#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/install_run.h"

namespace cvinst::testkit {

class Journal {
public:
    // Keeps the entry; the call that makes the entry `throwAt` then throws, as a failing window
    // or system call would (an int rather than a std::exception with `throwNonStandard`).
    void Record(const std::string& entry) {
        entries.push_back(entry);
        if (entry == throwAt && throwNonStandard) throw 42;
        if (entry == throwAt) throw std::runtime_error("Catastrophic failure");
    }
    // The entries that start with `prefix`, without it.
    std::vector<std::string> Matching(std::string_view prefix) const {
        std::vector<std::string> found;
        for (const std::string& entry : entries) {
            if (entry.starts_with(prefix)) found.push_back(entry.substr(prefix.size()));
        }
        return found;
    }
    // The last `count` entries (all of them when there are fewer).
    std::vector<std::string> Tail(size_t count) const {
        return {entries.end() - static_cast<std::ptrdiff_t>(std::min(count, entries.size())),
                entries.end()};
    }

    std::vector<std::string> entries;
    std::string throwAt;
    bool throwNonStandard = false;
};

class FakeRunWindow : public RunWindow {
public:
    explicit FakeRunWindow(Journal& journal) : journal_(journal) {}

    bool ConfirmInstall() override {
        Record("ConfirmInstall");
        return acceptInstall;
    }
    bool ConfirmRemoval() override {
        Record("ConfirmRemoval");
        return acceptRemoval;
    }
    void EnableCmds(bool on) override { Record(on ? "EnableCmds(true)" : "EnableCmds(false)"); }
    void Sata(std::string_view text) override {
        Record("Sata: " + std::string(text));
        if (!cancelOnStatus.empty() && text.find(cancelOnStatus) != text.npos) cancelAsked = true;
    }
    int ProgramCheck(int index) override { return checks.at(static_cast<size_t>(index)); }
    void FocusExit() override { Record("FocusExit"); }
    void SetRunDone(bool done) override { Record(done ? "RunDone(true)" : "RunDone(false)"); }
    void ShowError(std::string_view text) override { Record("ShowError: " + std::string(text)); }
    void OfferCancel(bool offered) override {
        Record(offered ? "OfferCancel(true)" : "OfferCancel(false)");
        cancelAsked = false;
    }
    bool CancelAsked() override { return cancelAsked; }

    bool acceptInstall = true;
    bool acceptRemoval = true;
    std::array<int, 4> checks{};
    // Cancel is pressed as soon as the status line shows this text.
    std::string cancelOnStatus;
    bool cancelAsked = false;

private:
    void Record(const std::string& entry) { journal_.Record(entry); }
    Journal& journal_;
};

}  // namespace cvinst::testkit
