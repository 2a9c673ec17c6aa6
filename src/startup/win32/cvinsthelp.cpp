#include "startup/win32/cvinsthelp.h"

#include "startup/help_text.h"
#include "startup/win32/module1.h"
#include "ui/win32/form1.h"

namespace cvinst {

CVInstHelp::CVInstHelp()
    : Form(win::FormKind::Dialog, 6000, 3000, "Corvane Installer Help"),
      Label1(*this, 120, 120, 0, 0, "", true), OKButton(*this, 0, 0, 1545, 375, "OK", true) {
    OKButton.onClick = [this] { OKButton_Click(); };
}

void CVInstHelp::Form_Load() { Label1.SetFontName("Tahoma"); }

void CVInstHelp::RSHELP() {
    int height = Label1.Height() + 1200;
    int width = 2 * Label1.Left() + Label1.Width() + 100;
    SetOuterSize(width, height);
    OKButton.Move((width - OKButton.Width()) / 2, Label1.Top() + Label1.Height() + 200,
                  OKButton.Width(), OKButton.Height());
}

void CVInstHelp::OKButton_Click() { Unload(); }

void ShowCommandLineHelp(Form1& form) {
    std::string text = BuildHelpText(form.Option1[0].Caption(), form.Option1[1].Caption());
    CVInstHelp help;
    help.ShareFontsOf(form);
    help.Load();
    help.Label1.SetCaption(text);
    help.Label1.FitToText();
    help.RSHELP();
    help.ShowModal(&form);
}

}  // namespace cvinst
