#include "forms/font_cache.h"

#include <algorithm>

#include "base/win32/text.h"

namespace cvinst::win {

std::shared_ptr<HFONT__> FontCache::Font(const FontSpec& wanted, int dpi) {
    auto& slot = fonts_[{wanted.face, wanted.pointSize, wanted.charset, dpi}];
    if (auto font = slot.lock()) return font;
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(wanted.pointSize, dpi, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = static_cast<BYTE>(wanted.charset);
    lf.lfQuality = DEFAULT_QUALITY;
    std::wstring face = Wide(wanted.face);
    face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    HFONT created = CreateFontIndirectW(&lf);
    if (!created) return nullptr;
    std::shared_ptr<HFONT__> font(created, [](HFONT f) { DeleteObject(f); });
    slot = font;
    return font;
}

}  // namespace cvinst::win
