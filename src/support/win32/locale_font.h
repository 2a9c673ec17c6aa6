#pragma once
// The face and character set every control of the program's windows is given.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace cvinst {
namespace win {
class Form;
}

// The user's default language's locale information, "" when the query fails.
std::string GetLocaleText(uint32_t infoType);

class LocaleFont {
public:
    // How the locale is asked: the system itself, or what a test says.
    using Query = std::function<std::string(uint32_t infoType)>;
    explicit LocaleFont(Query query = GetLocaleText) : query_(std::move(query)) {}

    // The font character set of the user's default ANSI code page, asked anew at every call.
    int16_t Charset() const;
    // Gives every control of the window the face "Tahoma" and the user's character set; controls
    // without a font are passed over, the window's own font is left alone.
    void Apply(win::Form& form) const;

private:
    Query query_;
};

}  // namespace cvinst
