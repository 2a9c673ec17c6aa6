#include "ui/win32/license.h"

#include <windows.h>

#include "base/win32/text.h"
#include "forms/resources.h"
#include "support/win32/locale_font.h"
#include "ui/win32/form_lines.h"

namespace cvinst {

License::License(const LocaleFont& font)
    : Form(win::FormKind::Dialog, 7575, 4110, "Corvane License Agreement"),
      Text1(*this, 90, 60, 7395, 2895),
      Option1(*this, 375, 3150, 1905, 210, "No, I do not agree", true),
      Option2(*this, 2415, 3150, 1215, 210, "Yes, I agree"),
      CancelButton(*this, 4875, 3615, 1215, 375, "Cancel"),
      OKButton(*this, 6225, 3615, 1215, 375, "Continue"), font_(font) {
    win::OptionButton::Group({&Option1, &Option2});
    OKButton.SetEnabled(false);
    Option1.onClick = [this] { Option_Click(); };
    Option2.onClick = [this] { Option_Click(); };
    OKButton.onClick = [this] { OKButton_Click(); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
}

void License::Form_Load() {
    DrawSeparatorLines(*this, {3030, 3450});
    AgreementAccepted = false;
    font_.Apply(*this);
    LoadAgreementText();
}

// The agreement resource holds single-byte text in the system's ANSI code page, the encoding its
// text is written in.
std::string AgreementText() { return win::Utf8FromAnsi(win::ResourceBytes(L"CUSTOM", 101)); }

void License::LoadAgreementText() {
    try {
        Text1.SetCaption(AgreementText());
    } catch (...) {
        // An unreadable agreement leaves the box empty; the dialog still works.
    }
}

void License::Option_Click() { OKButton.SetEnabled(Option2.Value() && !Option1.Value()); }

void License::OKButton_Click() {
    AgreementAccepted = true;
    Unload();
}

void License::CancelButton_Click() {
    AgreementAccepted = false;
    Unload();
}

}  // namespace cvinst
