#include "ui/win32/form_lines.h"

#include <cmath>

namespace cvinst {

namespace {
int Twips(float value) { return static_cast<int>(std::lround(value)); }
}  // namespace

void FormLineSurface::SetAutoRedraw(bool on) { form_.SetAutoRedraw(on); }
float FormLineSurface::Width() { return static_cast<float>(form_.OuterWidth()); }
float FormLineSurface::Height() { return static_cast<float>(form_.OuterHeight()); }
uint32_t FormLineSurface::BackColor() { return form_.BackColor(); }

void FormLineSurface::Line(float x1, float y1, float x2, float y2, uint32_t color) {
    form_.DrawLine(Twips(x1), Twips(y1), Twips(x2), Twips(y2), color);
}

void DrawSeparatorLines(win::Form& form, std::initializer_list<float> ys) {
    FormLineSurface surface(form);
    for (const float y : ys) {
        // Each line object goes when its line is drawn: what it drew stays in the form's image.
        CVLine line;
        line.InitCVLine(100, y, surface, false, true, 0);
    }
}

}  // namespace cvinst
