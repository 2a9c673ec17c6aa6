#pragma once
// A stand-in for the main window's controls as the command-line parsers drive them, and the
// properties every parse must keep. Shared by the unit tests, the corpus replay and the fuzzer.
#include <array>
#include <functional>
#include <string>

#include "engine/catalogue.h"
#include "startup/cmdline.h"

namespace cvinst::testkit {

class FakeCommandLineWindow : public CommandLineControls {
public:
    std::array<int, kProgramCount> checkValue{};
    std::array<bool, kProgramCount> checkEnabled{true, true, true, true};
    std::array<bool, 2> actionEnabled{true, true};
    std::array<bool, 2> actionSelected{true, false};  // the install profile starts selected
    int selectCalls = 0;
    int chkAllCalls = 0;
    // The window's own reaction when a profile button becomes selected.
    std::function<void(int)> onProfileClick;

    void ChkAll(int state) override {
        ++chkAllCalls;
        for (int i = 0; i < kProgramCount; ++i) {
            const auto k = static_cast<size_t>(i);
            checkValue[k] = (state == 1 && !checkEnabled[k]) ? 0 : state;
        }
    }
    void SetProgramCheck(int index, int value) override {
        checkValue.at(static_cast<size_t>(index)) = value;
    }
    bool ActionEnabled(int index) override { return actionEnabled.at(static_cast<size_t>(index)); }
    void SelectAction(int index) override {
        ++selectCalls;
        const auto k = static_cast<size_t>(index);
        const bool wasSelected = actionSelected.at(k);
        actionSelected = {false, false};
        actionSelected[k] = true;
        if (!wasSelected && onProfileClick) onProfileClick(index);
    }
    int selectedAction() const { return actionSelected[0] ? 0 : 1; }
};

// Returns a description of the first broken property of one AcceptCommandLine call on `input`,
// or an empty text when all hold.
inline std::string BrokenParseInvariant(const std::string& input,
                                        const FakeCommandLineWindow& window,
                                        const Acceptance& result) {
    const RunOptions& options = result.request.options;
    const std::string upperInput = UpperCaseSameLength(input);
    if (upperInput.size() != input.size()) return "upper-casing changed the length";
    if (options.Unattended) return "the parse set Unattended";
    const std::string& params = options.InstallerParams;
    if (params.find('"') != std::string::npos) return "InstallerParams holds a quote";
    if (!params.empty() && (params.front() == ' ' || params.back() == ' ')) {
        return "InstallerParams not trimmed";
    }
    if (input.find(params) == std::string::npos) return "InstallerParams not from the input";
    if (window.actionSelected[0] == window.actionSelected[1]) return "not exactly one action";

    if (result.ok) {
        if (!result.message.empty()) return "message on success";
        if (result.rightsDenied) return "RightsDenied on success";
        if (window.selectCalls != 1) return "accepted without exactly one action selection";
        if (!window.actionEnabled[static_cast<size_t>(window.selectedAction())]) {
            return "a disabled action was selected";
        }
        return {};
    }

    static const std::string kHead = "Invalid command line parameters.\n\n";
    if (result.message.size() <= kHead.size() || result.message.compare(0, kHead.size(), kHead)) {
        return "failure without the error box text";
    }
    if (result.rightsDenied && result.error != CommandLineError::CommandInvalid) {
        return "RightsDenied with another error";
    }
    if (result.error == CommandLineError::InstallerParamsInvalid) {
        if (result.message.find('"' + upperInput + '"') == std::string::npos) {
            return "/MSI= error does not quote the whole upper-cased text";
        }
        if (window.chkAllCalls != 0 || window.selectCalls != 0) {
            return "controls touched before the /MSI= failure";
        }
    }
    if (result.error == CommandLineError::CommandInvalid && window.selectCalls != 0) {
        return "action selected although the command failed";
    }
    return {};
}

}  // namespace cvinst::testkit
