#pragma once
// Texts the product must show, written out once for the unit and the end-to-end tests.

namespace cvinst::testkit {

// The command-line help with the main window's own action captions on lines 5 and 6.
inline constexpr char kUsageText[] =
    "Corvane Installer Command Line Parameters:\n"
    "\n"
    "CVINST /I /U [/P:MWSE] [/T] [/MSI=\"parameters\"] [/show]\n"
    "\n"
    "  /I        Install Programs To \"Program Files\" Folder\n"
    "  /U       Uninstall Programs From \"Program Files\" Folder\n"
    "  /P:      Specifies programs [if missing all programs are selected]:\n"
    "                  M-Corvane Menu\n"
    "                  W-Corvane Workstation\n"
    "                  S-Corvane Personal Server\n"
    "                  E-Corvane Examples\n"
    "  /T:      Does not install programs that are already installed.\n"
    "  /MSI   Additional MS Windows Installer parameters (if missing = "
    "\"/QB ALLUSERS=2 DISABLEADVTSHORTCUTS=1\").\n"
    "  /show Shows Corvane Installer user interface.\n"
    "  /WAIT:    Seconds to wait for another installation to finish (if missing = 600, 0 = do "
    "not wait).\n"
    "  /LOG=\"file\" Log of the run, with the MS Windows Installer logs beside it (if missing = "
    "%WINDIR%\\Logs\\Corvane\\CVInst.log, without administrator rights %TEMP%\\CVInst.log).";

}  // namespace cvinst::testkit
