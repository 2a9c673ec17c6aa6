#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace cvinst::win {

struct FontSpec {
    std::string face = "MS Sans Serif";
    int pointSize = 8;
    int charset = 0;
};

// Controls with the same face, size and character set share one GDI font; it is deleted when the
// last of them lets go of it. Creating a font is costly (Wine matches it against every font). A
// form owns one cache and lends it to the dialogs shown over it; it must outlive their controls.
class FontCache {
public:
    // Null when the font cannot be created.
    std::shared_ptr<HFONT__> Font(const FontSpec& wanted, int dpi);

private:
    std::map<std::tuple<std::string, int, int, int>, std::weak_ptr<HFONT__>> fonts_;
};

}  // namespace cvinst::win
