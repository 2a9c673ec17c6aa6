#pragma once
// What the command-line readers must answer for any text, worked out from the text alone, for the
// fuzzer, the seed corpus replay and the rows of the unit tests. It reads the text its own way:
// copies of an option leave in one copying pass instead of find-and-erase, and /LOG= and /WAIT:
// are taken while the text streams past, so that a slip in the product's way shows as a
// difference instead of being repeated here.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline_fake_window.h"
#include "startup/cmdline.h"
#include "startup/deploy_options.h"

#if !defined(_WIN32)
#include <locale.h>
#include <wctype.h>
#endif

namespace cvinst::testkit {

namespace oracle {

inline char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

inline std::string TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

// The text without the copies of `needle`, read left to right: what leaving one out brings
// together is not read again.
inline std::string WithoutCopies(const std::string& text, std::string_view needle) {
    std::string left;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, needle.size(), needle) == 0) {
            i += needle.size();
        } else {
            left += text[i++];
        }
    }
    return left;
}

inline bool Has(const std::string& text, std::string_view needle) {
    return text.find(needle) != std::string::npos;
}

}  // namespace oracle

// The upper case as the product must give it: ASCII letters, and the two-byte letters of Latin-1,
// Latin Extended-A, Greek and Cyrillic whose simple upper case (as the C library's UTF-8 locale
// knows it) is two bytes as well; every other byte stays. nullopt where the C library has no such
// locale (Windows'), and only the ASCII letters are known.
inline std::optional<std::string> ExpectedUpperCase(std::string_view text) {
#if defined(_WIN32)
    (void)text;
    return std::nullopt;
#else
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    if (utf8 == locale_t{}) return std::nullopt;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0U;
        if (lead < 0xC2 || lead > 0xDF || (next & 0xC0U) != 0x80U) {
            out += oracle::AsciiUpper(text[i]);
            continue;
        }
        const auto letter = static_cast<wint_t>(((lead & 0x1FU) << 6) | (next & 0x3FU));
        const bool covered = letter <= 0x17F || (letter >= 0x370 && letter <= 0x4FF);
        wint_t upper = towupper_l(letter, utf8);
        if (!covered || upper < 0x80 || upper > 0x7FF) upper = letter;
        out += static_cast<char>(0xC0U | (upper >> 6));
        out += static_cast<char>(0x80U | (upper & 0x3FU));
        ++i;
    }
    return out;
#endif
}

// What ParseCommandLine must find, as far as it gets. The language, rule by rule:
// - "/MSI=" (the first one) must be followed by a quote, the parameters and a quote; its
//   parameters are the user's text between them without outer blanks, and every copy of the
//   whole option leaves the working text. Otherwise the whole text is refused.
// - "/T" and "/SHOW" anywhere in what is left are the switches; then the copies of "/SHOW" go.
// - "/P:" (the first one) is followed by the letters up to the next "/" or the end; without outer
//   blanks they are one or more of M, W, S and E, which name the programs.
// - "/I" anywhere installs; otherwise "/U" anywhere uninstalls; otherwise the text is refused.
inline ParseResult ExpectParse(const std::string& input, std::string upper) {
    using oracle::Has;
    ParseResult want;
    RunOptions& options = want.request.options;
    auto refuse = [&](CommandLineError kind) {
        want.ok = false;
        want.error = kind;
        want.text = upper;
        return want;
    };
    if (const size_t msi = upper.find("/MSI="); msi != std::string::npos) {
        const size_t open = msi + 5;
        const size_t close = open < upper.size() && upper[open] == '"' ? upper.find('"', open + 1)
                                                                       : std::string::npos;
        if (close == std::string::npos) return refuse(CommandLineError::InstallerParamsInvalid);
        options.InstallerParams =
            oracle::TrimBlanks(std::string_view(input).substr(open + 1, close - open - 1));
        upper = oracle::WithoutCopies(upper, upper.substr(msi, close + 1 - msi));
    }
    options.SkipInstalled = Has(upper, "/T");
    want.request.ShowWindow = Has(upper, "/SHOW");
    upper = oracle::WithoutCopies(upper, "/SHOW");
    if (const size_t programs = upper.find("/P:"); programs != std::string::npos) {
        const std::string_view rest = std::string_view(upper).substr(programs + 3);
        const std::string letters = oracle::TrimBlanks(rest.substr(0, rest.find('/')));
        if (letters.empty() || letters.find_first_not_of("MWSE") != std::string::npos) {
            return refuse(CommandLineError::ProgramsInvalid);
        }
        want.request.programs.emplace();
        for (const char letter : letters) {
            want.request.programs->push_back(
                static_cast<int>(std::string_view("MWSE").find(letter)));
        }
    }
    if (!Has(upper, "/I") && !Has(upper, "/U")) return refuse(CommandLineError::CommandInvalid);
    want.request.action = Has(upper, "/I") ? kInstallAction : kUninstallAction;
    return want;
}

// What TakeDeployOptions must find. Outside quotes, "/LOG=" takes a quote, a path of at least
// one character and a quote, and "/WAIT:" takes 1 or more digits worth at most
// kLongestWaitSeconds, which a blank, a "/" or the end must follow. Each may be given once. Every
// copy goes, values and all: a malformed value runs to its closing quote (or the end) when it
// opens one, else to the next blank. Reading goes on from where the option stood, so that one
// that the taking brings together is found too. A refusal quotes the whole upper-cased input, the
// first faulty /LOG= before any faulty /WAIT:, and still leaves the rest, where alone a "?" asks
// for the help.
inline DeployOptions ExpectDeploy(const std::string& input, const std::string& upper) {
    DeployOptions want;
    bool logFault = false, waitFault = false;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::string readUpper, read;  // what the log options leave
    bool inQuotes = false;
    for (size_t i = 0; i < input.size();) {
        inQuotes = inQuotes != (upper[i] == '"');
        readUpper += upper[i];
        read += input[i++];
        if (inQuotes || !readUpper.ends_with("/LOG=")) continue;
        readUpper.resize(readUpper.size() - 5);
        read.resize(read.size() - 5);
        if (i == upper.size() || upper[i] != '"') {
            logFault = true;
            while (i < upper.size() && !blank(upper[i])) ++i;
            continue;
        }
        const size_t close = upper.find('"', i + 1);
        if (close == std::string::npos || close == i + 1 || want.logPath) {
            logFault = true;
        } else {
            want.logPath = input.substr(i + 1, close - i - 1);
        }
        i = close == std::string::npos ? upper.size() : close + 1;
    }
    std::string leftUpper;
    bool quoted = false;
    for (size_t k = 0; k < read.size();) {
        quoted = quoted != (readUpper[k] == '"');
        leftUpper += readUpper[k];
        want.rest += read[k++];
        if (quoted || !leftUpper.ends_with("/WAIT:")) continue;
        leftUpper.resize(leftUpper.size() - 6);
        want.rest.resize(want.rest.size() - 6);
        const size_t digits = k;
        unsigned long seconds = 0;
        while (k < read.size() && readUpper[k] >= '0' && readUpper[k] <= '9' &&
               seconds <= kLongestWaitSeconds) {
            seconds = seconds * 10 + static_cast<unsigned long>(readUpper[k++] - '0');
        }
        const bool ended = k == read.size() || readUpper[k] == '/' || blank(readUpper[k]);
        if (k == digits || seconds > kLongestWaitSeconds || !ended) {
            waitFault = true;
            while (k < read.size() && !blank(readUpper[k])) ++k;
        } else if (want.waitSeconds) {
            waitFault = true;
        } else {
            want.waitSeconds = seconds;
        }
    }
    if (logFault || waitFault) {
        want.ok = false;
        want.error = logFault ? CommandLineError::LogInvalid : CommandLineError::WaitInvalid;
        want.text = upper;
    }
    return want;
}

// The arguments of a process command line: what follows the program's name (up to the closing
// quote when it starts with one, else up to a blank or tab) and the blanks and tabs after it.
inline std::string ExpectArguments(std::string_view line) {
    enum { Name, QuotedName, Blanks } state = line.starts_with('"') ? QuotedName : Name;
    for (size_t i = state == QuotedName ? 1 : 0; i < line.size(); ++i) {
        const bool blank = line[i] == ' ' || line[i] == '\t';
        if ((state == QuotedName && line[i] == '"') || (state == Name && blank)) {
            state = Blanks;
        } else if (state == Blanks && !blank) {
            return std::string(line.substr(i));
        }
    }
    return {};
}

// Windows as the parsers can meet them: all usable; two packages missing (their boxes still
// ticked from before) and a profile that enables one of them when selected; only uninstall
// allowed; no rights at all.
inline std::vector<FakeCommandLineWindow> WindowsToParseWith() {
    std::vector<FakeCommandLineWindow> windows(4);
    windows[1].checkEnabled = {true, false, true, false};
    windows[1].checkValue = {0, 1, 0, 1};
    windows[1].onProfileClick = [](FakeCommandLineWindow& w, int) { w.checkEnabled[3] = true; };
    windows[2].actionEnabled = {false, true};
    windows[3].actionEnabled = {false, false};
    return windows;
}

// What a reading came to, in one line: the answer, the request and the window's controls.
inline std::string Describe(const Acceptance& answer, const FakeCommandLineWindow& window) {
    const CommandLine& request = answer.request;
    std::string text = answer.ok ? "accepted" : "refused";
    text += " (kind " + std::to_string(static_cast<int>(answer.error)) +
            (answer.rightsDenied ? ", no rights" : "") + ") \"" + answer.message + "\"";
    text += "; action " + std::to_string(request.action) + "; programs ";
    if (!request.programs) text += "(every enabled one)";
    for (const int index : request.programs.value_or(std::vector<int>{})) text += "MWSE"[index];
    text += "; parameters \"" + request.options.InstallerParams + "\"";
    text += request.options.SkipInstalled ? "; /T" : "";
    text += request.ShowWindow ? "; /SHOW" : "";
    text += request.options.Unattended ? "; unattended" : "";
    text += "; boxes ";
    for (const int value : window.checkValue) text += std::to_string(value);
    text += window.chkAllCalls > 0 ? " (set)" : "";
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "literal" + std::string.
    text += "; action ";
    text += std::to_string(window.selectedAction());
    text += " selected ";
    text += std::to_string(window.selectCalls);
    text += " times";
    return text;
}

// The difference between what AcceptCommandLine did to `window` (which looked like `before`) and
// what the input asks for; empty when there is none.
inline std::string AcceptanceDifference(const std::string& input, const std::string& upper,
                                        const FakeCommandLineWindow& before,
                                        const FakeCommandLineWindow& window,
                                        const Acceptance& got) {
    const ParseResult parse = ExpectParse(input, upper);
    const std::optional<std::vector<int>>& programs = parse.request.programs;
    Acceptance want;
    want.request = parse.request;
    FakeCommandLineWindow wantWindow = before;
    if (!parse.ok) {
        want.ok = false;
        want.error = parse.error;
        want.message = CommandLineErrorMessage(parse.text, parse.error, false);
    } else {
        // The boxes are ticked before the action is looked at, and again after it is selected.
        const int action = parse.request.action;
        const bool allowed = before.actionEnabled[static_cast<size_t>(action)];
        const auto& enabled = allowed ? window.checkEnabled : before.checkEnabled;
        for (size_t box = 0; box < wantWindow.checkValue.size(); ++box) {
            wantWindow.checkValue[box] =
                programs ? std::count(programs->begin(), programs->end(), static_cast<int>(box)) > 0
                         : enabled[box];
        }
        wantWindow.chkAllCalls = 1;
        if (allowed) {
            wantWindow.actionSelected = {action == kInstallAction, action == kUninstallAction};
            wantWindow.selectCalls = 1;
        } else {
            want.ok = false;
            want.rightsDenied = true;
            want.message = CommandLineErrorMessage({}, CommandLineError::CommandInvalid, true);
        }
    }
    const std::string gotText = Describe(got, window);
    const std::string wantText = Describe(want, wantWindow);
    return gotText == wantText ? "" : gotText + "\n  expected: " + wantText;
}

// Every reader of the command line on one input, against what the input asks for; empty when all
// agree.
inline std::string CommandLineDifference(const std::string& input) {
    const std::string upper = UpperCaseSameLength(input);
    const std::optional<std::string> wantUpper = ExpectedUpperCase(input);
    for (size_t i = 0; i < input.size(); ++i) {
        const bool ascii = static_cast<unsigned char>(input[i]) < 0x80;
        if (i >= upper.size() || (ascii ? upper[i] != oracle::AsciiUpper(input[i])
                                        : static_cast<unsigned char>(upper[i]) < 0x80)) {
            return "upper case \"" + upper + "\" wrong at byte " + std::to_string(i);
        }
    }
    if (upper.size() != input.size() || (wantUpper && upper != *wantUpper) ||
        UpperCaseSameLength(upper) != upper) {
        return "upper case \"" + upper + "\", expected \"" + wantUpper.value_or("?") + "\"";
    }

    for (const FakeCommandLineWindow& before : WindowsToParseWith()) {
        FakeCommandLineWindow window = before;
        const Acceptance got = AcceptCommandLine(input, window);
        const std::string difference = AcceptanceDifference(input, upper, before, window, got);
        if (!difference.empty()) return difference;
    }

    const DeployOptions got = TakeDeployOptions(input);
    const DeployOptions want = ExpectDeploy(input, upper);
    auto describe = [](const DeployOptions& d) {
        if (!d.ok) {
            return "refused (kind " + std::to_string(static_cast<int>(d.error)) + ") \"" + d.text +
                   "\", leaving \"" + d.rest + "\"";
        }
        return "taken, leaving \"" + d.rest + "\"; log \"" + d.logPath.value_or("(none)") +
               "\"; wait " + (d.waitSeconds ? std::to_string(*d.waitSeconds) : "(none)");
    };
    if (describe(got) != describe(want)) {
        return "deploy options " + describe(got) + "\n  expected: " + describe(want);
    }

    if (ArgumentText(input) != ExpectArguments(input)) {
        return "argument text \"" + ArgumentText(input) + "\", expected \"" +
               ExpectArguments(input) + "\"";
    }
    return {};
}

}  // namespace cvinst::testkit
