#pragma once
// Window geometry is given in twips: 1440 to the inch, 15 to the pixel at 96 dots per inch.
namespace cvinst {

inline constexpr int kTwipsPerInch = 1440;

// Rounds to the nearest pixel, halves away from zero, as MulDiv does.
constexpr int TwipsToPixels(int twips, int dpi) {
    long long n = static_cast<long long>(twips) * dpi;
    return static_cast<int>(n >= 0 ? (n + kTwipsPerInch / 2) / kTwipsPerInch
                                   : -((-n + kTwipsPerInch / 2) / kTwipsPerInch));
}

constexpr int PixelsToTwips(int pixels, int dpi) {
    long long n = static_cast<long long>(pixels) * kTwipsPerInch;
    return dpi > 0 ? static_cast<int>(n >= 0 ? (n + dpi / 2) / dpi : -((-n + dpi / 2) / dpi)) : 0;
}

}  // namespace cvinst
