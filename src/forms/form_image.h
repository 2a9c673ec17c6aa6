#pragma once
#include <windows.h>

#include <optional>

#include "base/win32/handles.h"

namespace cvinst::win {

// A form's persistent image (what it repaints itself from when AutoRedraw is on): a memory DC
// with a bitmap of the client area's size selected into it. The members are released in reverse
// order: the bitmap is deselected before it is deleted, and the DC goes last.
class MemoryImage {
public:
    // Filled with the dialog background colour; check Valid() afterwards.
    MemoryImage(HWND window, int width, int height);
    MemoryImage(const MemoryImage&) = delete;
    MemoryImage& operator=(const MemoryImage&) = delete;

    bool Valid() const { return selected_.has_value(); }
    // A one-pixel line from (x1, y1) to (x2, y2), in pixels; the end point is not drawn.
    void Line(int x1, int y1, int x2, int y2, COLORREF color);
    void CopyTo(HDC target, int width, int height) const;

private:
    unique_hdc dc_;
    unique_hbitmap bitmap_;
    std::optional<ScopedSelect> selected_;
};

}  // namespace cvinst::win
