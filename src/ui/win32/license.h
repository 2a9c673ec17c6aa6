#pragma once
#include "forms/form.h"

namespace cvinst {

// True only when the licence dialog was closed with "Continue".
extern bool AgreementAccepted;

class License : public win::Form {
public:
    License();

    win::TextBox Text1;
    win::OptionButton Option1;  // "No, I do not agree"
    win::OptionButton Option2;  // "Yes, I agree"
    win::PushButton CancelButton;
    win::PushButton OKButton;

    // The click of either answer (Option1_Click and Option2_Click do the same).
    void Option_Click();
    void OKButton_Click();
    void CancelButton_Click();

protected:
    void Form_Load() override;

private:
    void LoadAgreementText();
};

// The agreement text of the program's resources, converted from the ANSI code page; "" when the
// resource is missing.
std::string AgreementText();

}  // namespace cvinst
