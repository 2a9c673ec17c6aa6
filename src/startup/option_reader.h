#pragma once
// The one reading of an argument text: left to right, once, against a table of option forms. Each
// option's value is taken whole where the option stands and is never searched for another option;
// what matches no form is kept aside as ignored text. What the findings mean (which are faults,
// which value wins) is for the run's and the deployment options' readers to judge.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cvinst {

enum class OptionKind : uint8_t {
    Msi,
    Log,
    Wait,
    Programs,
    Show,
    Install,
    Uninstall,
    SkipInstalled
};

// How an option's value is written.
enum class ValueForm {
    None,     // a switch: whatever follows is read on its own
    Quoted,   // a double quote, the value, a double quote
    Digits,   // digits, then a blank, the "/" of the next option or the end
    Letters,  // everything up to the next "/" or the end
};

struct OptionForm {
    std::string_view name;  // upper case, as matched in the upper-cased text
    OptionKind kind;
    ValueForm value;
    bool once;  // a second one is refused
};

// Every option of the language.
inline constexpr OptionForm kOptionForms[] = {
    {"/MSI=", OptionKind::Msi, ValueForm::Quoted, true},
    {"/LOG=", OptionKind::Log, ValueForm::Quoted, true},
    {"/WAIT:", OptionKind::Wait, ValueForm::Digits, true},
    {"/P:", OptionKind::Programs, ValueForm::Letters, true},
    {"/SHOW", OptionKind::Show, ValueForm::None, false},
    {"/I", OptionKind::Install, ValueForm::None, false},
    {"/U", OptionKind::Uninstall, ValueForm::None, false},
    {"/T", OptionKind::SkipInstalled, ValueForm::None, false},
};

const OptionForm& FormOf(OptionKind kind);

// One option as it stands in the text: [start, end) is the option with its value, and
// [valueStart, valueEnd) the value (inside the quotes of a quoted one). A malformed value reaches
// to its closing quote (or the end) when it opens a quote, else to the next blank.
// Positions are 32 bits wide: a command line has at most 32,767 characters, and a line of
// repeated options holds thousands of them.
struct OptionFound {
    uint32_t start;
    uint32_t end;
    uint32_t valueStart;
    uint32_t valueEnd;
    OptionKind kind;
    bool wellFormed;
};

// Text that matches no option, up to a blank (a quoted part counts as one word, blanks and all).
struct IgnoredText {
    size_t start;
    size_t end;
    std::optional<OptionKind> after;  // the option it follows without a blank
};

struct OptionReading {
    std::string original;  // the argument text as written
    std::string upper;     // the same, upper-cased letter by letter at the same positions
    std::vector<OptionFound> options;  // in the order written
    std::vector<IgnoredText> ignored;  // in the order written
};

OptionReading ReadOptions(std::string_view argumentText);

// The first option of a kind, nullptr when there is none, and how many there are.
const OptionFound* FirstOf(const OptionReading& reading, OptionKind kind);
size_t CountOf(const OptionReading& reading, OptionKind kind);
// An option's value in `text` (the reading's original or upper-cased text).
std::string_view ValueOf(const std::string& text, const OptionFound& option);

// The text without the spans of the options of the given kinds.
std::string Without(const OptionReading& reading, const std::string& text,
                    std::initializer_list<OptionKind> kinds);

// The log's line naming what was ignored; "" when nothing was.
std::string DescribeIgnored(const OptionReading& reading);

}  // namespace cvinst
