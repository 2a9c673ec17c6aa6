#include "ui/win32/license.h"

#include <windows.h>

#include "forms/text.h"
#include "support/cvline.h"
#include "support/win32/locale_font.h"

namespace cvinst {

bool AgreementAccepted = false;

License::License()
    : Form(win::FormKind::Dialog, 7575, 4110, "Corvane License Agreement"),
      Text1(*this, 90, 60, 7395, 2895),
      Option1(*this, 375, 3150, 1905, 210, "No, I do not agree", true),
      Option2(*this, 2415, 3150, 1215, 210, "Yes, I agree"),
      CancelButton(*this, 4875, 3615, 1215, 375, "Cancel"),
      OKButton(*this, 6225, 3615, 1215, 375, "Continue") {
    win::OptionButton::Group({&Option1, &Option2});
    OKButton.SetEnabled(false);
    Option1.onClick = [this] { Option1_Click(); };
    Option2.onClick = [this] { Option2_Click(); };
    OKButton.onClick = [this] { OKButton_Click(); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
}

void License::Form_Load() {
    for (float y : {3030.0f, 3450.0f}) {
        CVLine line;
        line.InitCVLine(100, y, *this, false, true, 0);
    }
    AgreementAccepted = false;
    ApplyFormFont(*this);
    LoadAgreementText();
}

std::string AgreementText() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(101), L"CUSTOM");
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return win::Utf8FromAnsi(std::string_view(static_cast<const char*>(data), SizeofResource(module, found)));
}

void License::LoadAgreementText() {
    try {
        Text1.SetCaption(AgreementText());
    } catch (...) {
        // An unreadable agreement leaves the box empty; the dialog still works.
    }
}

void License::Option1_Click() { OKButton.SetEnabled(Option2.Value() && !Option1.Value()); }
void License::Option2_Click() { OKButton.SetEnabled(Option2.Value() && !Option1.Value()); }

void License::OKButton_Click() {
    AgreementAccepted = true;
    Unload();
}

void License::CancelButton_Click() {
    AgreementAccepted = false;
    Unload();
}

}  // namespace cvinst
