#include "support/cvline.h"

namespace cvinst {

void CVLine::InitCVLine(float X, float Y, LineSurface& frm, bool LVertical, bool LDbl, float l) {
    Surface = &frm;
    Surface->SetAutoRedraw(true);
    // Paints over whatever the previous settings drew; on a new object that is a stray line
    // at the origin, which callers have always lived with.
    Clear();
    StartX = X;
    StartY = Y;
    RequestedLength = l;
    DoubleLine = LDbl;
    Vertical = LVertical;
    Refresh();
}

void CVLine::Refresh() {
    if (Surface == nullptr) return;
    UpdateLength();
    Draw(kLineDark, kLineWhite);
}

void CVLine::Clear() {
    if (Surface == nullptr) return;
    UpdateLength();
    const uint32_t back = Surface->BackColor();
    Draw(back, back);
}

void CVLine::UpdateLength() {
    if (RequestedLength != 0) {
        DrawnLength = RequestedLength;
    } else if (Vertical) {
        DrawnLength = Surface->Height() - 2 * StartY - 350;
    } else {
        DrawnLength = Surface->Width() - 2 * StartX - 100;
    }
}

void CVLine::Draw(uint32_t dark, uint32_t white) {
    const float x = StartX, y = StartY, l = DrawnLength;
    if (Vertical) {
        if (DoubleLine) Surface->Line(x, y, x, y + l, dark);
        Surface->Line(x + 15, y, x + 15, y + l, white);
    } else {
        if (DoubleLine) Surface->Line(x, y, x + l, y, dark);
        Surface->Line(x, y + 15, x + l, y + 15, white);
    }
}

}  // namespace cvinst
