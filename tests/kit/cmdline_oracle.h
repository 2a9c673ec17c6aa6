#pragma once
// What the command-line readers must answer for any text, worked out from the text alone, for the
// fuzzer and the seed corpus replay. It reads the text its own way: the working text is a list of
// the input's byte positions still present, options are taken out by one streaming pass, and
// nothing is erased and searched again, so that a slip in the product's find-and-erase shows as a
// difference instead of being repeated here.
#include <cstddef>
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

// The working text: which bytes of the input are still there. Options are matched in the upper
// case, the installer parameters and the log path are taken from the user's own.
class Kept {
public:
    Kept(const std::string& upper, const std::string& original)
        : upper_(upper), original_(original) {
        for (size_t i = 0; i < upper.size(); ++i) at_.push_back(i);
    }
    std::string Upper() const { return Pick(upper_); }
    std::string Original() const { return Pick(original_); }
    // Drops each copy of `needle`, reading left to right; the bytes that a drop brings together
    // are not read again.
    void DropCopies(std::string_view needle) {
        const std::string view = Upper();
        std::vector<size_t> left;
        for (size_t i = 0; i < view.size();) {
            if (view.compare(i, needle.size(), needle) == 0) {
                i += needle.size();
            } else {
                left.push_back(at_[i++]);
            }
        }
        at_ = std::move(left);
    }

private:
    std::string Pick(const std::string& from) const {
        std::string text;
        for (const size_t i : at_) text += from[i];
        return text;
    }
    const std::string& upper_;
    const std::string& original_;
    std::vector<size_t> at_;
};

}  // namespace oracle

// The upper case as the product must give it: ASCII letters, and the two-byte letters of
// Latin-1, Latin Extended-A, Greek and Cyrillic whose simple upper case (as the C library's
// UTF-8 locale knows it) is two bytes as well. Everything else stays byte for byte. nullopt where
// no such locale is at hand (Windows' C library has none); then only the ASCII letters are known.
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

// What ParseCommandLine must find in a text.
struct ExpectedParse {
    bool ok = true;
    CommandLineError error = CommandLineError::CommandInvalid;
    std::string quoted;  // the working text the error box quotes
    bool installerParamsRead = false;
    std::string installerParams;
    bool skipInstalled = false;
    bool showWindow = false;
    bool programsRead = false;
    std::optional<std::string> programs;  // the "/P:" letters; none: every enabled box
    int action = kInstallAction;
};

// The language, rule by rule:
// - "/MSI=" (the first one) must be followed by a quote, the parameters and a quote; its
//   parameters are the user's text between them without outer blanks, and every copy of the
//   whole option leaves the working text. Otherwise the text is refused as it stands.
// - "/T" and "/SHOW" anywhere in what is left are the switches; then the copies of "/SHOW" go.
// - "/P:" (the first one) is followed by the letters up to the next "/" or the end; without outer
//   blanks they are one or more of M, W, S and E.
// - "/I" anywhere installs; otherwise "/U" anywhere uninstalls; otherwise the text is refused.
inline ExpectedParse ExpectParse(const std::string& input, const std::string& upper) {
    ExpectedParse expected;
    oracle::Kept text(upper, input);
    auto refuse = [&](CommandLineError kind, std::string quoted) {
        expected.ok = false;
        expected.error = kind;
        expected.quoted = std::move(quoted);
        return expected;
    };

    const size_t msi = upper.find("/MSI=");
    if (msi != std::string::npos) {
        const size_t open = msi + 5;
        const size_t close = open < upper.size() && upper[open] == '"' ? upper.find('"', open + 1)
                                                                       : std::string::npos;
        if (close == std::string::npos) {
            return refuse(CommandLineError::InstallerParamsInvalid, upper);
        }
        expected.installerParams =
            oracle::TrimBlanks(std::string_view(input).substr(open + 1, close - open - 1));
        text.DropCopies(upper.substr(msi, close + 1 - msi));
    }
    expected.installerParamsRead = true;
    expected.skipInstalled = text.Upper().find("/T") != std::string::npos;
    expected.showWindow = text.Upper().find("/SHOW") != std::string::npos;
    text.DropCopies("/SHOW");

    const std::string rest = text.Upper();
    const size_t programs = rest.find("/P:");
    if (programs != std::string::npos) {
        std::string letters = rest.substr(programs + 3);
        letters = oracle::TrimBlanks(letters.substr(0, letters.find('/')));
        if (letters.empty() || letters.find_first_not_of("MWSE") != std::string::npos) {
            return refuse(CommandLineError::ProgramsInvalid, rest);
        }
        expected.programs = letters;
    }
    expected.programsRead = true;
    if (rest.find("/I") != std::string::npos) {
        expected.action = kInstallAction;
    } else if (rest.find("/U") != std::string::npos) {
        expected.action = kUninstallAction;
    } else {
        return refuse(CommandLineError::CommandInvalid, rest);
    }
    return expected;
}

// What TakeDeployOptions must find. "/LOG=" (anywhere) takes a quote, a path of at least one
// character and a quote; "/WAIT:" (outside quotes) takes 1 or more digits worth at most
// kLongestWaitSeconds. Every copy goes, the first one counts, and the text left after taking one
// is read on from where the option stood, so that one brought together by the taking is found
// too. A refusal quotes the upper-cased working text of that moment.
struct ExpectedDeploy {
    bool ok = true;
    CommandLineError error = CommandLineError::LogInvalid;
    std::string quoted;
    std::string rest;
    std::optional<std::string> logPath;
    std::optional<unsigned long> waitSeconds;
};

inline ExpectedDeploy ExpectDeploy(const std::string& input, const std::string& upper) {
    ExpectedDeploy expected;
    auto view = [&](const std::vector<size_t>& at, const std::string& from) {
        std::string text;
        for (const size_t i : at) text += from[i];
        return text;
    };
    auto endsWith = [&](const std::vector<size_t>& at, std::string_view needle) {
        if (at.size() < needle.size()) return false;
        for (size_t k = 0; k < needle.size(); ++k) {
            if (upper[at[at.size() - needle.size() + k]] != needle[k]) return false;
        }
        return true;
    };
    auto refuse = [&](CommandLineError kind, const std::vector<size_t>& done,
                      const std::vector<size_t>& ahead) {
        expected.ok = false;
        expected.error = kind;
        expected.quoted = view(done, upper) + view(ahead, upper);
        return expected;
    };

    // First pass: the log options, anywhere.
    std::vector<size_t> afterLog;
    for (size_t i = 0; i < input.size();) {
        afterLog.push_back(i++);
        if (!endsWith(afterLog, "/LOG=")) continue;
        const size_t close =
            i < input.size() && upper[i] == '"' ? upper.find('"', i + 1) : std::string::npos;
        if (close == std::string::npos || close == i + 1) {
            std::vector<size_t> ahead;
            for (size_t k = i; k < input.size(); ++k) ahead.push_back(k);
            return refuse(CommandLineError::LogInvalid, afterLog, ahead);
        }
        if (!expected.logPath) expected.logPath = input.substr(i + 1, close - i - 1);
        afterLog.resize(afterLog.size() - 5);
        i = close + 1;
    }

    // Second pass: the wait options, outside quotes.
    std::vector<size_t> left;
    bool quoted = false;
    for (size_t k = 0; k < afterLog.size();) {
        const size_t at = afterLog[k++];
        left.push_back(at);
        if (upper[at] == '"') quoted = !quoted;
        if (quoted || !endsWith(left, "/WAIT:")) continue;
        const size_t digitsStart = k;
        unsigned long seconds = 0;
        bool tooMany = false;
        while (k < afterLog.size() && upper[afterLog[k]] >= '0' && upper[afterLog[k]] <= '9') {
            seconds = seconds * 10 + static_cast<unsigned long>(upper[afterLog[k++]] - '0');
            if (seconds > kLongestWaitSeconds) {
                tooMany = true;
                break;
            }
        }
        if (tooMany || k == digitsStart) {
            return refuse(
                CommandLineError::WaitInvalid, left,
                std::vector<size_t>(afterLog.begin() + static_cast<std::ptrdiff_t>(digitsStart),
                                    afterLog.end()));
        }
        if (!expected.waitSeconds) expected.waitSeconds = seconds;
        left.resize(left.size() - 6);
    }
    expected.rest = view(left, input);
    return expected;
}

// The arguments of a process command line: what follows the program's name (up to the closing
// quote when it starts with one, else up to a blank or tab) and the blanks and tabs after it.
inline std::string ExpectArguments(std::string_view line) {
    enum { Name, QuotedName, Blanks } state = !line.empty() && line[0] == '"' ? QuotedName : Name;
    for (size_t i = state == QuotedName ? 1 : 0; i < line.size(); ++i) {
        const char c = line[i];
        const bool blank = c == ' ' || c == '\t';
        if (state == QuotedName && c == '"') {
            state = Blanks;
        } else if (state == Name && blank) {
            state = Blanks;
        } else if (state == Blanks && !blank) {
            return std::string(line.substr(i));
        }
    }
    return {};
}

// Windows as the parsers can meet them: all usable; two packages missing (the boxes of the
// missing ones still ticked from before) and a profile that enables one of them when selected;
// only uninstall allowed; no rights at all.
inline std::vector<FakeCommandLineWindow> WindowsToParseWith() {
    std::vector<FakeCommandLineWindow> windows(4);
    windows[1].checkEnabled = {true, false, true, false};
    windows[1].checkValue = {0, 1, 0, 1};
    windows[1].onProfileClick = [](FakeCommandLineWindow& window, int) {
        window.checkEnabled[3] = true;
    };
    windows[2].actionEnabled = {false, true};
    windows[3].actionEnabled = {false, false};
    return windows;
}

inline std::string Quote(const std::string& text) { return "\"" + text + "\""; }

// The first difference between what AcceptCommandLine did to `window` (which looked like `before`)
// and what the input asks for; empty when there is none.
inline std::string AcceptanceDifference(const std::string& input, const std::string& upper,
                                        const FakeCommandLineWindow& before,
                                        const FakeCommandLineWindow& window,
                                        const Acceptance& got) {
    const ExpectedParse want = ExpectParse(input, upper);
    const RunOptions& options = got.request.options;
    const std::string wantParams = want.installerParamsRead ? want.installerParams : "";
    if (options.InstallerParams != wantParams) {
        return "installer parameters " + Quote(options.InstallerParams) + ", expected " +
               Quote(wantParams);
    }
    if (options.SkipInstalled != want.skipInstalled) return "/T read wrongly";
    if (got.request.ShowWindow != want.showWindow) return "/SHOW read wrongly";
    if (options.Unattended) return "the parse set Unattended";
    std::optional<std::string> gotLetters;
    if (got.request.programs) {
        gotLetters.emplace();
        for (const int index : *got.request.programs) gotLetters->push_back("MWSE"[index]);
    }
    if (gotLetters != (want.programsRead ? want.programs : std::nullopt)) {
        return "programs " + gotLetters.value_or("(all)") + ", expected " +
               want.programs.value_or("(all)");
    }

    if (got.request.action != want.action) return "wrong action";

    const bool allowed = want.ok && before.actionEnabled[static_cast<size_t>(want.action)];
    if (!want.ok) {
        if (got.ok || got.rightsDenied || got.error != want.error) return "not refused as expected";
        if (got.message != CommandLineErrorMessage(want.quoted, want.error, false)) {
            return "error box does not quote " + Quote(want.quoted) + ": " + got.message;
        }
        if (window.chkAllCalls != 0 || window.selectCalls != 0 ||
            window.checkValue != before.checkValue ||
            window.actionSelected != before.actionSelected) {
            return "a refused line changed the window";
        }
        return {};
    }
    if (!allowed) {
        if (got.ok || !got.rightsDenied || got.error != CommandLineError::CommandInvalid ||
            got.message != CommandLineErrorMessage({}, CommandLineError::CommandInvalid, true)) {
            return "a disabled action did not give the privileges message";
        }
        if (window.selectCalls != 0 || window.actionSelected != before.actionSelected) {
            return "a disabled action was selected";
        }
    } else {
        if (!got.ok || got.rightsDenied || !got.message.empty()) return "an accepted line refused";
        if (window.selectCalls != 1 ||
            window.actionSelected[static_cast<size_t>(want.action)] != true ||
            window.actionSelected[static_cast<size_t>(1 - want.action)] != false) {
            return "the action was not selected once";
        }
    }
    for (size_t box = 0; box < window.checkValue.size(); ++box) {
        const bool ticked = want.programs ? want.programs->find("MWSE"[box]) != std::string::npos
                                          : window.checkEnabled[box];
        if (window.checkValue[box] != (ticked ? 1 : 0)) {
            return "box " + std::to_string(box) + (ticked ? " not ticked" : " ticked");
        }
    }
    return {};
}

// Every reader of the command line on one input, against what the input asks for; empty when all
// agree.
inline std::string CommandLineDifference(const std::string& input) {
    const std::string upper = UpperCaseSameLength(input);
    if (upper.size() != input.size()) return "upper-casing changed the length";
    for (size_t i = 0; i < input.size(); ++i) {
        const bool ascii = static_cast<unsigned char>(input[i]) < 0x80;
        if (ascii ? upper[i] != oracle::AsciiUpper(input[i])
                  : static_cast<unsigned char>(upper[i]) < 0x80) {
            return "upper-casing changed byte " + std::to_string(i) + " wrongly";
        }
    }
    if (const auto wantUpper = ExpectedUpperCase(input); wantUpper && upper != *wantUpper) {
        return "upper case " + Quote(upper) + ", expected " + Quote(*wantUpper);
    }
    if (UpperCaseSameLength(upper) != upper) return "upper-casing is not idempotent";

    for (const FakeCommandLineWindow& before : WindowsToParseWith()) {
        FakeCommandLineWindow window = before;
        const Acceptance got = AcceptCommandLine(input, window);
        std::string difference = AcceptanceDifference(input, upper, before, window, got);
        if (!difference.empty()) return difference;
    }

    const ExpectedDeploy want = ExpectDeploy(input, upper);
    const DeployOptions got = TakeDeployOptions(input);
    if (got.ok != want.ok) return want.ok ? "deploy options refused" : "deploy options accepted";
    if (!got.ok && (got.error != want.error || got.text != want.quoted)) {
        return "deploy options refusal quotes " + Quote(got.text) + ", expected " +
               Quote(want.quoted);
    }
    if (got.ok && (got.rest != want.rest || got.logPath != want.logPath ||
                   got.waitSeconds != want.waitSeconds)) {
        return "deploy options left " + Quote(got.rest) + ", expected " + Quote(want.rest);
    }

    if (ArgumentText(input) != ExpectArguments(input)) {
        return "argument text " + Quote(ArgumentText(input)) + ", expected " +
               Quote(ExpectArguments(input));
    }
    return {};
}

}  // namespace cvinst::testkit
