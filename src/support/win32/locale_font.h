#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace cvinst {
namespace win {
class Form;
}

// The user's default language's locale information, "" when the query fails.
std::string GetLocaleText(uint32_t infoType);
// The font character set of the user's default ANSI code page.
int16_t GetUserCharset();
// Gives every control of the window the face "Tahoma" and the user's character set; controls
// without a font are passed over, the window's own font is left alone.
void ApplyFormFont(win::Form& form);

// Replaces the locale query (tests of a failing query).
using LocaleQueryFn = std::function<std::string(uint32_t)>;
LocaleQueryFn& LocaleQueryOverride();

}  // namespace cvinst
