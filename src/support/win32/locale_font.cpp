#include "support/win32/locale_font.h"

#include <windows.h>

#include "forms/form.h"
#include "support/charset.h"

namespace cvinst {

std::string GetLocaleText(uint32_t infoType) {
    LCID locale = MAKELCID(GetUserDefaultLangID(), SORT_DEFAULT);
    char buffer[255];
    // The answers asked for are numbers in ASCII digits, the same in every code page.
    int n = GetLocaleInfoA(locale, infoType, buffer, 255);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n - 1)) : std::string();
}

int16_t LocaleFont::Charset() const {
    return CodePageToCharset(query_(LOCALE_IDEFAULTANSICODEPAGE));
}

void LocaleFont::Apply(win::Form& form) const {
    int16_t charset = 0;
    try {
        charset = Charset();
    } catch (...) {
        // Without an answer the controls keep the face's own Latin glyphs.
    }
    for (win::Control* control : form.Controls()) {
        if (!control->HasFont()) continue;
        try {
            control->SetFontName("Tahoma");
            control->SetFontCharset(charset);
        } catch (...) {
            // A control that cannot take the font keeps its own; the others still get theirs.
        }
    }
}

}  // namespace cvinst
