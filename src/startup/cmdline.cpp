#include "startup/cmdline.h"

#include <utility>

#include "engine/catalogue.h"
#include "support/strings.h"

namespace cvinst {

namespace {

// Lower case letters whose upper case pairs with the code point just below them, in ranges where
// the letters alternate upper, lower, upper, lower...
bool IsOddLowerOfPair(char32_t c) {
    if ((c >= 0x0100 && c <= 0x012F) || (c >= 0x0132 && c <= 0x0137) ||
        (c >= 0x014A && c <= 0x0177) || (c >= 0x03D8 && c <= 0x03EF) ||
        (c >= 0x0460 && c <= 0x0481) || (c >= 0x048A && c <= 0x04BF) ||
        (c >= 0x04D0 && c <= 0x04FF)) {
        return (c & 1U) == 1U;
    }
    if ((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E) ||
        (c >= 0x04C1 && c <= 0x04CE)) {
        return (c & 1U) == 0U;
    }
    return false;
}

// The simple upper case of the two-byte letters we handle. Letters whose upper case lies in
// ASCII (dotless i, long s) stay as they are: their byte length would change.
char32_t UpperOfTwoByteLetter(char32_t c) {
    if (c == 0x00B5) return 0x039C;
    if (c == 0x00FF) return 0x0178;
    if (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) return c - 0x20;
    if (IsOddLowerOfPair(c)) return c - 1;
    switch (c) {
    case 0x0371:
        return 0x0370;
    case 0x0373:
        return 0x0372;
    case 0x0377:
        return 0x0376;
    case 0x037B:
        return 0x03FD;
    case 0x037C:
        return 0x03FE;
    case 0x037D:
        return 0x03FF;
    case 0x03AC:
        return 0x0386;
    case 0x03AD:
        return 0x0388;
    case 0x03AE:
        return 0x0389;
    case 0x03AF:
        return 0x038A;
    case 0x03C2:
        return 0x03A3;
    case 0x03CC:
        return 0x038C;
    case 0x03CD:
        return 0x038E;
    case 0x03CE:
        return 0x038F;
    case 0x03D0:
        return 0x0392;
    case 0x03D1:
        return 0x0398;
    case 0x03D5:
        return 0x03A6;
    case 0x03D6:
        return 0x03A0;
    case 0x03D7:
        return 0x03CF;
    case 0x03F0:
        return 0x039A;
    case 0x03F1:
        return 0x03A1;
    case 0x03F2:
        return 0x03F9;
    case 0x03F3:
        return 0x037F;
    case 0x03F5:
        return 0x0395;
    case 0x03F8:
        return 0x03F7;
    case 0x03FB:
        return 0x03FA;
    case 0x04CF:
        return 0x04C0;
    default:
        break;
    }
    if (c >= 0x03B1 && c <= 0x03CB) return c - 0x20;
    if (c >= 0x0430 && c <= 0x044F) return c - 0x20;
    if (c >= 0x0450 && c <= 0x045F) return c - 0x50;
    return c;
}

int ProgramIndexOfLetter(char letter) {
    for (int i = 0; i < kProgramCount; ++i) {
        if (ProgramCatalogue[static_cast<size_t>(i)].letter == letter) return i;
    }
    return -1;
}

constexpr char kQuote = '"';

}  // namespace

std::string UpperCaseSameLength(std::string_view text) {
    std::string out(text);
    size_t i = 0;
    while (i < out.size()) {
        const auto b0 = static_cast<unsigned char>(out[i]);
        if (b0 >= 'a' && b0 <= 'z') {
            out[i] = static_cast<char>(b0 - ('a' - 'A'));
            ++i;
            continue;
        }
        // Every letter we map is a two-byte sequence, and so is its upper case.
        if (b0 >= 0xC2 && b0 <= 0xDF && i + 1 < out.size()) {
            const auto b1 = static_cast<unsigned char>(out[i + 1]);
            if ((b1 & 0xC0U) == 0x80U) {
                const char32_t c = (char32_t{b0 & 0x1FU} << 6) | char32_t{b1 & 0x3FU};
                const char32_t u = UpperOfTwoByteLetter(c);
                out[i] = static_cast<char>(0xC0U | (u >> 6));
                out[i + 1] = static_cast<char>(0x80U | (u & 0x3FU));
                i += 2;
                continue;
            }
        }
        ++i;
    }
    return out;
}

bool IsHelpRequest(std::string_view argumentText) {
    return argumentText.find('?') != std::string_view::npos;
}

namespace {

// The programs of a "/P:" value; nullopt when it names none or a letter is no program's.
std::optional<std::vector<int>> ProgramsOf(std::string_view value) {
    const std::string_view letters = TrimBlanks(value);
    if (letters.empty()) return std::nullopt;
    std::vector<int> indices;
    for (const char letter : letters) {
        const int index = ProgramIndexOfLetter(letter);
        if (index < 0) return std::nullopt;
        indices.push_back(index);
    }
    return indices;
}

}  // namespace

ParseResult ParseCommandLine(const OptionReading& reading) {
    ParseResult result;
    CommandLine& request = result.request;
    auto fail = [&](CommandLineError kind, std::string text) {
        result.ok = false;
        result.error = kind;
        result.text = std::move(text);
        return result;
    };

    const OptionFound* msi = FirstOf(reading, OptionKind::Msi);
    if (msi && (!msi->wellFormed || CountOf(reading, OptionKind::Msi) > 1)) {
        return fail(CommandLineError::InstallerParamsInvalid, reading.upper);
    }
    // The user's own case: the upper-cased copy is only for finding the options.
    if (msi)
        request.options.InstallerParams = std::string(TrimBlanks(ValueOf(reading.original, *msi)));
    request.options.SkipInstalled = FirstOf(reading, OptionKind::SkipInstalled) != nullptr;
    request.ShowWindow = FirstOf(reading, OptionKind::Show) != nullptr;

    const std::string working =
        Without(reading, reading.upper,
                {OptionKind::Log, OptionKind::Wait, OptionKind::Msi, OptionKind::Show});
    if (const OptionFound* programs = FirstOf(reading, OptionKind::Programs)) {
        request.programs = ProgramsOf(ValueOf(reading.upper, *programs));
        if (!request.programs || CountOf(reading, OptionKind::Programs) > 1) {
            request.programs.reset();
            return fail(CommandLineError::ProgramsInvalid, working);
        }
    }
    if (FirstOf(reading, OptionKind::Install)) {
        request.action = kInstallAction;
    } else if (FirstOf(reading, OptionKind::Uninstall)) {
        request.action = kUninstallAction;
    } else {
        return fail(CommandLineError::CommandInvalid, working);
    }
    return result;
}

ParseResult ParseCommandLine(const std::string& argumentText) {
    return ParseCommandLine(ReadOptions(argumentText));
}

namespace {

void TickPrograms(const CommandLine& request, CommandLineControls& controls) {
    if (!request.programs) {
        controls.ChkAll(1);
        return;
    }
    controls.ChkAll(0);
    for (const int index : *request.programs) controls.SetProgramCheck(index, 1);
}

}  // namespace

bool ApplyCommandLine(const CommandLine& request, CommandLineControls& controls) {
    TickPrograms(request, controls);
    if (!controls.ActionEnabled(request.action)) return false;
    controls.SelectAction(request.action);
    TickPrograms(request, controls);
    return true;
}

std::string CommandLineErrorMessage(const std::string& text, CommandLineError kind,
                                    bool rightsDenied) {
    const std::string quoted = kQuote + text + kQuote;
    std::string message = "Invalid command line parameters.\n\n";
    switch (kind) {
    case CommandLineError::ProgramsInvalid:
        message += "Missing or invalid \"/p:\" syntax: " + quoted +
                   "\n\nPlease specify /P:MWSEA for programs and actions.";
        break;
    case CommandLineError::CommandInvalid:
        if (rightsDenied) {
            message += "You do not have enough privileges to perform this action.";
        } else {
            message += "Missing or invalid command: " + quoted +
                       "\n\nPlease specify /I to install or /U to uninstall the programs.";
        }
        break;
    case CommandLineError::InstallerParamsInvalid:
        message += "Invalid MS Windows Installer parameters syntax: " + quoted +
                   "\n\nSyntax: \"/MSI=\"MS Installer Parameters\"\"";
        break;
    case CommandLineError::LogInvalid:
        message +=
            "Invalid log file syntax: " + quoted + "\n\nSyntax: /LOG=\"path of the log file\"";
        break;
    case CommandLineError::WaitInvalid:
        message += "Invalid wait syntax: " + quoted + "\n\nSyntax: /WAIT:seconds (0 to " +
                   std::to_string(kLongestWaitSeconds) + "; 0 does not wait)";
        break;
    }
    return message;
}

Acceptance AcceptCommandLine(const ParseResult& parsed, CommandLineControls& controls) {
    Acceptance acceptance;
    acceptance.request = parsed.request;
    if (!parsed.ok) {
        acceptance.ok = false;
        acceptance.error = parsed.error;
        acceptance.message = CommandLineErrorMessage(parsed.text, parsed.error, false);
        return acceptance;
    }
    if (!ApplyCommandLine(parsed.request, controls)) {
        acceptance.ok = false;
        acceptance.rightsDenied = true;
        acceptance.message = CommandLineErrorMessage({}, CommandLineError::CommandInvalid, true);
    }
    return acceptance;
}

Acceptance AcceptCommandLine(const std::string& argumentText, CommandLineControls& controls) {
    return AcceptCommandLine(ParseCommandLine(argumentText), controls);
}

std::string ArgumentText(std::string_view commandLine) {
    size_t pos = 0;
    if (!commandLine.empty() && commandLine[0] == kQuote) {
        const size_t close = commandLine.find(kQuote, 1);
        pos = close == std::string_view::npos ? commandLine.size() : close + 1;
    } else {
        while (pos < commandLine.size() && !IsBlank(commandLine[pos])) ++pos;
    }
    while (pos < commandLine.size() && IsBlank(commandLine[pos])) ++pos;
    return std::string(commandLine.substr(pos));
}

}  // namespace cvinst
