#pragma once
#include "forms/form.h"
#include "support/win32/locale_font.h"

namespace cvinst {

class License : public win::Form {
public:
    explicit License(const LocaleFont& font);

    win::TextBox Text1;
    win::OptionButton Option1;  // "No, I do not agree"
    win::OptionButton Option2;  // "Yes, I agree"
    win::PushButton CancelButton;
    win::PushButton OKButton;

    // True only when the dialog was closed with "Continue".
    bool AgreementAccepted = false;

    // The click of either answer (Option1_Click and Option2_Click do the same).
    void Option_Click();
    void OKButton_Click();
    void CancelButton_Click();

protected:
    void Form_Load() override;

private:
    void LoadAgreementText();

    const LocaleFont& font_;
};

// The agreement text of the program's resources, converted from the ANSI code page; "" when the
// resource is missing.
std::string AgreementText();

}  // namespace cvinst
