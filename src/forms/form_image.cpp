#include "forms/form_image.h"

#include <algorithm>

namespace cvinst::win {

MemoryImage::MemoryImage(HWND window, int width, int height) {
    ScopedGetDC screen(window);
    dc_.reset(CreateCompatibleDC(screen.get()));
    bitmap_.reset(CreateCompatibleBitmap(screen.get(), std::max(1, width), std::max(1, height)));
    if (!dc_ || !bitmap_) return;
    selected_.emplace(dc_.get(), bitmap_.get());
    RECT all{0, 0, width, height};
    FillRect(dc_.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
}

void MemoryImage::Line(int x1, int y1, int x2, int y2, COLORREF color) {
    if (!Valid()) return;
    unique_gdiobj pen(CreatePen(PS_SOLID, 1, color));
    ScopedSelect select(dc_.get(), pen.get());
    MoveToEx(dc_.get(), x1, y1, nullptr);
    LineTo(dc_.get(), x2, y2);
}

void MemoryImage::CopyTo(HDC target, int width, int height) const {
    if (Valid()) BitBlt(target, 0, 0, width, height, dc_.get(), 0, 0, SRCCOPY);
}

}  // namespace cvinst::win
