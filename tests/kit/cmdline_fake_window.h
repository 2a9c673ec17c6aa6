#pragma once
// A stand-in for the main window's controls as the command-line parsers drive them. Shared by the
// unit tests, the corpus replay and the fuzzer.
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
    // The window's own reaction when a profile button becomes selected; it is given the window
    // itself, so that a copy of a prepared window reacts on its own boxes.
    std::function<void(FakeCommandLineWindow&, int)> onProfileClick;

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
        if (!wasSelected && onProfileClick) onProfileClick(*this, index);
    }
    int selectedAction() const { return actionSelected[0] ? 0 : 1; }
};

}  // namespace cvinst::testkit
