#pragma once
// Engraved separator lines drawn into a window's persistent image. All lengths in twips.
#include <cstdint>

namespace cvinst {

// What a line needs of the window it draws on.
class LineSurface {
public:
    virtual ~LineSurface() = default;
    virtual void SetAutoRedraw(bool on) = 0;
    virtual float Width() = 0;         // outer width, twips
    virtual float Height() = 0;        // outer height, twips
    virtual uint32_t BackColor() = 0;  // 0x00BBGGRR
    virtual void Line(float x1, float y1, float x2, float y2, uint32_t color) = 0;
};

inline constexpr uint32_t kLineDark = 0x848484;
inline constexpr uint32_t kLineWhite = 0xFFFFFF;

class CVLine {
public:
    // A length of 0 fits the line to the window's size at each drawing.
    void InitCVLine(float x, float y, LineSurface& surface, bool vertical = false,
                    bool doubleLine = false, float length = 0);
    void Refresh();
    void Clear();

    float StartX = 0, StartY = 0, RequestedLength = 0, DrawnLength = 0;
    bool DoubleLine = false, Vertical = false;

private:
    void UpdateLength();
    void Draw(uint32_t dark, uint32_t white);
    LineSurface* surface_ = nullptr;
};

}  // namespace cvinst
