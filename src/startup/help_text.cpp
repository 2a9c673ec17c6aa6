#include "startup/help_text.h"

#include "engine/catalogue.h"

namespace cvinst {

std::string BuildHelpText(std::string_view installCaption, std::string_view uninstallCaption) {
    const std::string programIndent(18, ' ');
    std::string text;
    text += "Corvane Installer Command Line Parameters:\n";
    text += "\n";
    text += "CVINST /I /U [/P:MWSE] [/T] [/MSI=\"parameters\"] [/show]\n";
    text += "\n";
    text += "  /I        ";
    text += installCaption;
    text += "\n";
    text += "  /U       ";
    text += uninstallCaption;
    text += "\n";
    text += "  /P:      Specifies programs [if missing all programs are selected]:\n";
    for (const Program& program : ProgramCatalogue) {
        text += programIndent;
        text += program.letter;
        text += '-';
        text += program.name;
        text += "\n";
    }
    text += "  /T:      Does not install programs that are already installed.\n";
    text +=
        "  /MSI   Additional MS Windows Installer parameters (if missing = "
        "\"/QB ALLUSERS=2 DISABLEADVTSHORTCUTS=1\").\n";
    text += "  /show Shows Corvane Installer user interface.\n";
    text +=
        "  /WAIT:    Seconds to wait for another installation to finish "
        "(if missing = 600, 0 = do not wait).\n";
    text +=
        "  /LOG=\"file\" Log of the run, with the MS Windows Installer logs beside it "
        "(if missing = %WINDIR%\\Logs\\Corvane\\CVInst.log, without administrator rights "
        "%TEMP%\\CVInst.log).";
    return text;
}

}  // namespace cvinst
