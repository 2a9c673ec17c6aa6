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
// NAME is a run of letters, digits, '_' and '.' after the start, a blank or a double quote;
// blanks may stand on either side of the '='. The value is masked whole, its quotes included:
// - unquoted, it ends at a blank; a quote followed by the end, a blank, a quote or ';' closes a
//   text around the assignment (the /MSI="..." of CVInst's command line, a quoted description)
//   and ends it too; any other quote opens a quoted part that msiexec joins to the value;
// - a quote right after the '=' opens it; inside quotes, "" and \" are quotes of the value;
// - an assignment that itself follows a quote ("NAME=a b") runs over blanks up to the quote
//   that closes it.
// A value whose quotes never close runs to the end of the text.
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
