#pragma once
// What the command-line readers must answer for any text, worked out from the text alone, for the
// fuzzer, the seed corpus replay and the rows of the unit tests. It reads the text its own way:
// it jumps from one option name or quote to the nearest next one found by search, where the
// product looks at every character against its table of forms, and it judges the findings with
// plain lists and copies, so that a slip in the product's way shows as a difference instead of
// being repeated here.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline_fake_window.h"
#include "startup/cmdline.h"
#include "startup/deploy_options.h"
#include "startup/option_reader.h"

#if !defined(_WIN32)
#include <locale.h>
#include <wctype.h>
#endif

namespace cvinst::testkit {

namespace oracle {

inline char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

inline std::string TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") + 1 - first));
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

// The options and the ignored words of a text, found its own way: from where the reading stands,
// the nearest option name or opening quote (each looked up with find and remembered until the
// reading passes it) decides what comes next, instead of the product's look at every character.
struct ExpectedReading {
    struct Option {
        std::string_view name;
        size_t start, end, valueStart, valueEnd;
        bool ok;
    };
    std::vector<Option> options;
    std::vector<std::string> ignored;  // "text" or "text after /NAME", in the user's case
};

inline ExpectedReading ExpectReading(const std::string& input, const std::string& upper) {
    static constexpr std::string_view kNames[] = {
        "/MSI=", "/LOG=", "/WAIT:", "/P:", "/SHOW", "/I", "/U", "/T"};
    constexpr size_t kQuoteSlot = std::size(kNames);
    const size_t n = upper.size();
    std::vector<size_t> next(kQuoteSlot + 1, 0);
    std::vector<char> marked(n, 0);               // an option's span
    std::vector<char> quoted(n, 0);               // inside a quoted part of an ignored word
    std::vector<std::string_view> endsAt(n + 1);  // the option that ends there
    ExpectedReading want;
    auto wordEnd = [&](size_t from) { return std::min(upper.find_first_of(" \t", from), n); };
    size_t pos = 0;
    bool first = true;
    while (pos < n) {
        size_t nearest = n, slot = 0;
        for (size_t k = 0; k <= kQuoteSlot; ++k) {
            if (first || (next[k] != std::string::npos && next[k] < pos)) {
                next[k] = k == kQuoteSlot ? upper.find('"', pos) : upper.find(kNames[k], pos);
            }
            if (next[k] < nearest) nearest = next[k], slot = k;
        }
        first = false;
        if (nearest == n) break;
        if (slot == kQuoteSlot) {  // a quoted part of an ignored word
            const size_t close = upper.find('"', nearest + 1);
            pos = close == std::string::npos ? n : close + 1;
            std::fill(quoted.begin() + static_cast<long>(nearest),
                      quoted.begin() + static_cast<long>(pos), true);
            continue;
        }
        ExpectedReading::Option option{kNames[slot], nearest, 0, 0, 0, true};
        const size_t p = nearest + kNames[slot].size();
        option.valueStart = option.valueEnd = option.end = p;
        if (slot < 2) {  // quoted values
            if (p < n && upper[p] == '"') {
                const size_t close = upper.find('"', p + 1);
                option.ok = close != std::string::npos;
                option.valueStart = p + 1;
                option.valueEnd = option.ok ? close : n;
                option.end = option.ok ? close + 1 : n;
            } else {
                option.ok = false;
                option.valueEnd = option.end = wordEnd(p);
            }
        } else if (slot == 2) {  // seconds
            const size_t digitsEnd = std::min(upper.find_first_not_of("0123456789", p), n);
            option.ok = digitsEnd > p &&
                        (digitsEnd == n ||
                         std::string_view("/ \t").find(upper[digitsEnd]) != std::string_view::npos);
            option.valueEnd = option.end = option.ok ? digitsEnd : wordEnd(p);
        } else if (slot == 3) {  // letters
            option.valueEnd = option.end = std::min(upper.find('/', p), n);
        }
        std::fill(marked.begin() + static_cast<long>(option.start),
                  marked.begin() + static_cast<long>(option.end), true);
        endsAt[option.end] = option.name;
        want.options.push_back(option);
        pos = option.end;
    }
    // Ignored words: what no option holds, split at blanks that no quoted part holds.
    for (size_t i = 0; i < n;) {
        if (marked[i] || ((upper[i] == ' ' || upper[i] == '\t') && !quoted[i])) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < n && !marked[j] && (quoted[j] || (upper[j] != ' ' && upper[j] != '\t'))) ++j;
        std::string word = input.substr(i, j - i);
        if (i > 0 && marked[i - 1]) word += " after " + std::string(endsAt[i]);
        want.ignored.push_back(word);
        i = j;
    }
    return want;
}

// What ParseCommandLine must find, as far as it gets. The language, rule by rule:
// - "/MSI=" must be followed by a quote, the parameters and a quote, and be given at most once;
//   its parameters are the user's text between the quotes without outer blanks. Otherwise the
//   whole text is refused, before anything else is looked at.
// - "/T" and "/SHOW" anywhere are the switches.
// - "/P:" takes the letters up to the next "/" or the end; without outer blanks they are one or
//   more of M, W, S and E, which name the programs; it may be given once.
// - "/I" installs; otherwise "/U" uninstalls; otherwise the text is refused.
// The refusals of "/P:" and of the command quote the text without the deployment options,
// "/MSI=" and "/SHOW".
inline ParseResult ExpectParse(const std::string& input, const std::string& upper,
                               const ExpectedReading& reading) {
    ParseResult want;
    RunOptions& options = want.request.options;
    auto all = [&](std::string_view name) {
        std::vector<ExpectedReading::Option> found;
        for (const auto& option : reading.options) {
            if (option.name == name) found.push_back(option);
        }
        return found;
    };
    auto refuse = [&](CommandLineError kind, std::string text) {
        want.ok = false;
        want.error = kind;
        want.text = std::move(text);
        return want;
    };
    const auto msi = all("/MSI=");
    if (msi.size() > 1 || (msi.size() == 1 && !msi[0].ok)) {
        return refuse(CommandLineError::InstallerParamsInvalid, upper);
    }
    if (!msi.empty()) {
        options.InstallerParams = oracle::TrimBlanks(
            std::string_view(input).substr(msi[0].valueStart, msi[0].valueEnd - msi[0].valueStart));
    }
    options.SkipInstalled = !all("/T").empty();
    want.request.ShowWindow = !all("/SHOW").empty();
    std::vector<char> dropped(upper.size(), 0);
    for (const auto& option : reading.options) {
        if (option.name == "/LOG=" || option.name == "/WAIT:" || option.name == "/MSI=" ||
            option.name == "/SHOW") {
            std::fill(dropped.begin() + static_cast<long>(option.start),
                      dropped.begin() + static_cast<long>(option.end), true);
        }
    }
    std::string working;
    for (size_t i = 0; i < upper.size(); ++i) {
        if (!dropped[i]) working += upper[i];
    }
    const auto programs = all("/P:");
    if (!programs.empty()) {
        const std::string letters = oracle::TrimBlanks(std::string_view(upper).substr(
            programs[0].valueStart, programs[0].valueEnd - programs[0].valueStart));
        if (programs.size() > 1 || letters.empty() ||
            letters.find_first_not_of("MWSE") != std::string::npos) {
            return refuse(CommandLineError::ProgramsInvalid, working);
        }
        want.request.programs.emplace();
        for (const char letter : letters) {
            want.request.programs->push_back(
                static_cast<int>(std::string_view("MWSE").find(letter)));
        }
    }
    if (all("/I").empty() && all("/U").empty()) {
        return refuse(CommandLineError::CommandInvalid, working);
    }
    want.request.action = all("/I").empty() ? kUninstallAction : kInstallAction;
    return want;
}

// What TakeDeployOptions must find: "/LOG=" takes a quote, a path of at least one character and
// a quote, and "/WAIT:" takes 1 or more digits worth at most kLongestWaitSeconds; each may be
// given once. Every copy leaves the rest, values and all, where alone a "?" asks for the help. A
// refusal quotes the whole upper-cased input, a faulty /LOG= before a faulty /WAIT:.
inline DeployOptions ExpectDeploy(const std::string& input, const std::string& upper,
                                  const ExpectedReading& reading) {
    DeployOptions want;
    bool logFault = false, waitFault = false;
    size_t copied = 0;
    for (const auto& option : reading.options) {
        const bool log = option.name == "/LOG=";
        if (!log && option.name != "/WAIT:") continue;
        want.rest += input.substr(copied, option.start - copied);
        copied = option.end;
        const std::string value =
            input.substr(option.valueStart, option.valueEnd - option.valueStart);
        if (log) {
            logFault = logFault || !option.ok || value.empty() || want.logPath.has_value();
            if (option.ok && !value.empty() && !want.logPath) want.logPath = value;
            continue;
        }
        // At most seven digits can be kLongestWaitSeconds or less, once the leading zeros go.
        const std::string digits =
            value.substr(std::min(value.find_first_not_of('0'), value.size()));
        const bool small = option.ok && digits.size() <= 7 &&
                           (digits.empty() ? 0 : std::stoul(digits)) <= kLongestWaitSeconds;
        waitFault = waitFault || !small || want.waitSeconds.has_value();
        if (small && !want.waitSeconds) want.waitSeconds = digits.empty() ? 0 : std::stoul(digits);
    }
    want.rest += input.substr(copied);
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
inline std::string AcceptanceDifference(const ParseResult& parse,
                                        const FakeCommandLineWindow& before,
                                        const FakeCommandLineWindow& window,
                                        const Acceptance& got) {
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

inline std::string AcceptanceDifference(const std::string& input, const std::string& upper,
                                        const FakeCommandLineWindow& before,
                                        const FakeCommandLineWindow& window,
                                        const Acceptance& got) {
    return AcceptanceDifference(ExpectParse(input, upper, ExpectReading(input, upper)), before,
                                window, got);
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

    const ExpectedReading expected = ExpectReading(input, upper);
    const ParseResult parse = ExpectParse(input, upper, expected);
    // One reading for every reader, as the start does.
    const OptionReading read = ReadOptions(input);
    const ParseResult parsed = ParseCommandLine(read);
    for (const FakeCommandLineWindow& before : WindowsToParseWith()) {
        FakeCommandLineWindow window = before;
        const Acceptance got = AcceptCommandLine(parsed, window);
        const std::string difference = AcceptanceDifference(parse, before, window, got);
        if (!difference.empty()) return difference;
    }

    const DeployOptions got = TakeDeployOptions(read);
    const DeployOptions want = ExpectDeploy(input, upper, expected);
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

    std::vector<std::string> ignored;
    for (const IgnoredText& word : read.ignored) {
        ignored.push_back(input.substr(word.start, word.end - word.start) +
                          (word.after ? " after " + std::string(FormOf(*word.after).name) : ""));
    }
    if (ignored != expected.ignored) {
        std::string got;
        for (const std::string& word : ignored) got += "[" + word + "]";
        std::string want;
        for (const std::string& word : expected.ignored) want += "[" + word + "]";
        return "ignored " + got + "\n  expected: " + want;
    }

    if (ArgumentText(input) != ExpectArguments(input)) {
        return "argument text \"" + ArgumentText(input) + "\", expected \"" +
               ExpectArguments(input) + "\"";
    }
    return {};
}

}  // namespace cvinst::testkit
