#pragma once
#include "forms/form.h"

namespace cvinst {

// The command-line usage window.
class CVInstHelp : public win::Form {
public:
    CVInstHelp();

    win::Label Label1;
    win::PushButton OKButton;

    // Sizes the window to its text and puts the OK button under it.
    void RSHELP();
    void OKButton_Click();

protected:
    void Form_Load() override;
};

}  // namespace cvinst
