#include "support/charset.h"

namespace cvinst {

int16_t CodePageToCharset(std::string_view codePage) {
    struct Row {
        std::string_view codePage;
        int16_t charset;
    };
    static constexpr Row kRows[] = {
        {"932", 128}, {"936", 134},  {"949", 129},  {"950", 136},  {"1250", 238}, {"1251", 204},
        {"1252", 0},  {"1253", 161}, {"1254", 162}, {"1255", 177}, {"1256", 178}, {"1257", 186},
    };
    for (const Row& row : kRows) {
        if (row.codePage == codePage) return row.charset;
    }
    // ANSI_CHARSET rather than DEFAULT_CHARSET: the face then keeps its own Latin glyphs instead of
    // letting the font mapper pick another face for a code page it knows nothing of.
    return 0;
}

}  // namespace cvinst
