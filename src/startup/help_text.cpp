#include "startup/help_text.h"

#include "engine/catalogue.h"
#include "engine/msi_arguments.h"
#include "engine/run_options.h"
#include "support/file_names.h"
#include "support/strings.h"

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
    // The usage names the defaults upper-cased and without their leading blank.
    text += "  /MSI   Additional MS Windows Installer parameters (if missing = \"" +
            UpperAscii(TrimBlanks(kDefaultInstallerParams)) + "\").\n";
    text += "  /show Shows Corvane Installer user interface.\n";
    text += "  /WAIT:    Seconds to wait for another installation to finish (if missing = " +
            std::to_string(kDefaultWaitSeconds) + ", 0 = do not wait).\n";
    text +=
        "  /LOG=\"file\" Log of the run, with the MS Windows Installer logs beside it (if "
        "missing = " +
        DefaultLogPathText(true) + ", without administrator rights " + DefaultLogPathText(false) +
        ").";
    return text;
}

}  // namespace cvinst
