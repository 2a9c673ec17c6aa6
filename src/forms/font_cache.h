#pragma once
#include <windows.h>

#include <memory>
#include <string>

namespace cvinst::win {

struct FontSpec {
    std::string face = "MS Sans Serif";
    int pointSize = 8;
    int charset = 0;
};

// Controls with the same face, size and character set share one GDI font; it is deleted when the
// last of them lets go of it. Creating a font is costly (Wine matches it against every font).
// Null when the font cannot be created.
std::shared_ptr<HFONT__> SharedFont(const FontSpec& wanted, int dpi);

}  // namespace cvinst::win
