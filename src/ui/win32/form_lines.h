#pragma once
// Engraved lines on a form: the form's drawing seen as the surface a CVLine draws on.
#include <initializer_list>

#include "forms/form.h"
#include "support/cvline.h"

namespace cvinst {

class FormLineSurface : public LineSurface {
public:
    explicit FormLineSurface(win::Form& form) : form_(form) {}
    void SetAutoRedraw(bool on) override;
    float Width() override;
    float Height() override;
    uint32_t BackColor() override;
    void Line(float x1, float y1, float x2, float y2, uint32_t color) override;

private:
    win::Form& form_;
};

// The double, fitted, horizontal lines the windows divide their areas with: one at each y,
// starting 100 twips from the left edge.
void DrawSeparatorLines(win::Form& form, std::initializer_list<float> ys);

}  // namespace cvinst
