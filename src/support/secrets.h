#pragma once
// Secret property values kept out of what CVInst writes: its log, its standard error text and its
// status line. msiexec still gets the real values; only the copies shown are masked.
#include <string>
#include <string_view>
#include <vector>

namespace cvinst {

inline constexpr std::string_view kMaskedValue = "********";

// A name that holds PASSWORD, PASSWD, PWD, SECRET, TOKEN or PIDKEY, in any case.
bool IsSecretPropertyName(std::string_view name);

// The names of a property list such as MsiHiddenProperties: split at ';', trimmed, empties dropped.
std::vector<std::string> SplitPropertyList(std::string_view list);

// Replaces the value of every secret property assignment `NAME=value` in a text by kMaskedValue.
// Secret are the names IsSecretPropertyName accepts and the hidden ones a package lists in its
// MsiHiddenProperties, compared without regard to case (masking too much is safe).
//
// NAME is a run of letters, digits, '_' and '.' after the start, a blank, a quote, '(', ',', ';'
// or a single quote; blanks may stand on either side of the '='. The value is read as msiexec reads
// a property list: a blank outside quotes ends it, a double quote opens or closes a quoted part,
// and inside one "" (and \") stands for a quote. Where the value's end is in doubt, it reaches to
// the end of the word or quoted part it stands in, its quotes included:
// - inside a quoted part of the text (the /MSI="..." of CVInst's own command line, a quoted
//   description), the property list in it is read again, doubled quotes being its quotes; a value
//   whose quotes stay open, or an assignment right after the part's opening quote ("NAME=a b"),
//   runs to the part's closing quote;
// - a quote right after the '=' that could close the part or open the value opens the value;
// - a value that opens with a single quote runs to the next one, blanks and all;
// - a quote that never closes runs to the end of the text.
class SecretMask {
public:
    explicit SecretMask(std::vector<std::string> hiddenNames = {});
    void AddHidden(std::string_view name);
    void AddHidden(const std::vector<std::string>& names);

    bool IsSecret(std::string_view name) const;
    std::string operator()(std::string_view text) const;

private:
    std::vector<std::string> hidden_;  // upper-cased
};

}  // namespace cvinst
