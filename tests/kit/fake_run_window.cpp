#include "fake_run_window.h"

#include <stdexcept>

namespace cvinst::testkit {

void Journal::Record(const std::string& entry) {
    entries.push_back(entry);
    if (entry != throwAt) return;
    if (throwNonStandard) throw 42;
    throw std::runtime_error("Catastrophic failure");
}

std::vector<std::string> Journal::Matching(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& entry : entries) {
        if (entry.rfind(prefix, 0) == 0) found.push_back(entry.substr(prefix.size()));
    }
    return found;
}

std::vector<std::string> Journal::Tail(std::size_t count) const {
    const std::size_t first = entries.size() > count ? entries.size() - count : 0;
    return {entries.begin() + static_cast<std::ptrdiff_t>(first), entries.end()};
}

bool FakeRunWindow::ConfirmInstall() {
    journal_.Record("ConfirmInstall");
    return acceptInstall;
}

bool FakeRunWindow::ConfirmRemoval() {
    journal_.Record("ConfirmRemoval");
    return acceptRemoval;
}

void FakeRunWindow::EnableCmds(bool enabled) {
    journal_.Record(enabled ? "EnableCmds(true)" : "EnableCmds(false)");
}

void FakeRunWindow::Sata(std::string_view text) { journal_.Record("Sata: " + std::string(text)); }

void FakeRunWindow::FocusExit() { journal_.Record("FocusExit"); }

void FakeRunWindow::SetRunDone(bool done) {
    journal_.Record(done ? "RunDone(true)" : "RunDone(false)");
}

void FakeRunWindow::ShowError(std::string_view text) {
    journal_.Record("ShowError: " + std::string(text));
}

}  // namespace cvinst::testkit
