#include "support/cvline.h"

namespace cvinst {

void CVLine::InitCVLine(float x, float y, LineSurface& surface, bool vertical, bool doubleLine,
                        float length) {
    surface_ = &surface;
    surface_->SetAutoRedraw(true);
    // Paints over what the settings held so far drew, so that a line set up again moves rather
    // than doubles. On a new object that paints a background-coloured line near the top left.
    Clear();
    StartX = x;
    StartY = y;
    RequestedLength = length;
    DoubleLine = doubleLine;
    Vertical = vertical;
    Refresh();
}

void CVLine::Refresh() {
    if (surface_ == nullptr) return;
    UpdateLength();
    Draw(kLineDark, kLineWhite);
}

void CVLine::Clear() {
    if (surface_ == nullptr) return;
    UpdateLength();
    const uint32_t back = surface_->BackColor();
    Draw(back, back);
}

void CVLine::UpdateLength() {
    if (RequestedLength != 0) {
        DrawnLength = RequestedLength;
    } else if (Vertical) {
        DrawnLength = surface_->Height() - 2 * StartY - 350;
    } else {
        DrawnLength = surface_->Width() - 2 * StartX - 100;
    }
}

void CVLine::Draw(uint32_t dark, uint32_t white) {
    const float x = StartX, y = StartY, length = DrawnLength;
    if (Vertical) {
        if (DoubleLine) surface_->Line(x, y, x, y + length, dark);
        surface_->Line(x + 15, y, x + 15, y + length, white);
    } else {
        if (DoubleLine) surface_->Line(x, y, x + length, y, dark);
        surface_->Line(x, y + 15, x + length, y + 15, white);
    }
}

}  // namespace cvinst
