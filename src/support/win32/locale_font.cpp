#include "support/win32/locale_font.h"

#include <windows.h>

#include "forms/form.h"
#include "support/charset.h"

namespace cvinst {

LocaleQueryFn& LocaleQueryOverride() {
    static LocaleQueryFn fn;
    return fn;
}

std::string GetLocaleText(uint32_t infoType) {
    if (auto& fn = LocaleQueryOverride()) return fn(infoType);
    LCID locale = MAKELCID(GetUserDefaultLangID(), SORT_DEFAULT);
    char buffer[255];
    // The answers asked for are numbers in ASCII digits, the same in every code page.
    int n = GetLocaleInfoA(locale, infoType, buffer, 255);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n - 1)) : std::string();
}

int16_t GetUserCharset() { return CodePageToCharset(GetLocaleText(LOCALE_IDEFAULTANSICODEPAGE)); }

namespace {
int16_t FontCharset = 0;
}

void ApplyFormFont(win::Form& form) {
    try {
        FontCharset = GetUserCharset();
    } catch (...) {
        FontCharset = 0;
    }
    for (win::Control* control : form.Controls()) {
        if (!control->HasFont()) continue;
        try {
            control->SetFontName("Tahoma");
            control->SetFontCharset(FontCharset);
        } catch (...) {
            // A control that cannot take the font keeps its own; the others still get theirs.
        }
    }
}

}  // namespace cvinst
