#include "forms/controls.h"

#include <utility>

#include "base/win32/handles.h"
#include "base/win32/text.h"
#include "forms/form.h"
#include "forms/twips.h"

namespace cvinst::win {

std::string WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), n + 1)));
    return Utf8(text);
}

// ---- Control ---------------------------------------------------------------------------------

Control::Control(Form& owner, int left, int top, int width, int height, std::string caption)
    : owner_(owner), id_(owner.Register(this)), left_(left), top_(top), width_(width),
      height_(height), caption_(std::move(caption)) {}

std::string Control::Caption() const { return hwnd_ ? WindowText(hwnd_) : caption_; }

void Control::SetCaption(std::string_view text) {
    caption_ = std::string(text);
    if (hwnd_) SetWindowTextW(hwnd_, Wide(text).c_str());
}

bool Control::Enabled() const { return hwnd_ ? IsWindowEnabled(hwnd_) != FALSE : enabled_; }

void Control::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (hwnd_) EnableWindow(hwnd_, enabled);
}

void Control::SetFocus() {
    if (!hwnd_ || !IsWindowVisible(owner_.hwnd()) || !IsWindowEnabled(hwnd_)) return;
    ::SetFocus(hwnd_);
}

void Control::Move(int left, int top, int width, int height) {
    left_ = left, top_ = top, width_ = width, height_ = height;
    if (hwnd_)
        SetWindowPos(hwnd_, nullptr, owner_.ToPixels(left), owner_.ToPixels(top),
                     owner_.ToPixels(width), owner_.ToPixels(height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetFontName(std::string_view face) {
    font_.face = std::string(face);
    ApplyFont();
    OnFontChanged();
}

void Control::SetFontCharset(int charset) {
    font_.charset = charset;
    ApplyFont();
    OnFontChanged();
}

void Control::CreateChild(HWND parent, const wchar_t* cls, DWORD style, DWORD exStyle) {
    if (!enabled_) style |= WS_DISABLED;
    hwnd_ = CreateWindowExW(
        exStyle, cls, Wide(caption_).c_str(), WS_CHILD | WS_VISIBLE | style, owner_.ToPixels(left_),
        owner_.ToPixels(top_), owner_.ToPixels(width_), owner_.ToPixels(height_), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), GetModuleHandleW(nullptr), nullptr);
    if (hwnd_) ApplyFont();
}

std::shared_ptr<HFONT__> Control::WantedFont() const {
    return HasFont() ? owner_.Fonts().Font(font_, owner_.Dpi()) : nullptr;
}

void Control::ApplyFont() {
    if (!hwnd_) return;
    auto font = WantedFont();
    if (!font) return;
    // A control on a hidden form is painted when the form is shown; no need to redraw it now.
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), IsWindowVisible(hwnd_));
    hfont_ = std::move(font);  // the old font is released only after the control let go of it
}

// ---- Label -----------------------------------------------------------------------------------

Label::Label(Form& owner, int left, int top, int width, int height, std::string caption,
             bool autoSize)
    : Control(owner, left, top, width, height, std::move(caption)), autoSize_(autoSize) {}

// Every control except the later buttons of an option group starts a group of its own, so that the
// arrow keys move only between the buttons of an option group and never out of it.
void Label::Create(HWND parent) {
    if (autoSize_) FitToText();  // created at its final size
    CreateChild(parent, L"STATIC", SS_LEFT | SS_NOPREFIX | WS_GROUP);
}

// A wider face would otherwise cut the text off, or wrap it onto a line the label does not show.
void Label::OnFontChanged() {
    if (autoSize_) FitToText();
}

void Label::FitToText() {
    if (!owner_.hwnd()) return;
    ScopedGetDC dc(owner_.hwnd());
    auto font = WantedFont();
    if (!hwnd_) hfont_ = font;  // the font it is about to be created with
    ScopedSelect select(dc.get(),
                        font ? static_cast<HGDIOBJ>(font.get()) : GetStockObject(DEFAULT_GUI_FONT));
    std::wstring text = Wide(Caption());
    RECT r{0, 0, 0, 0};
    DrawTextW(dc.get(), text.empty() ? L" " : text.c_str(), -1, &r,
              DT_CALCRECT | DT_NOPREFIX | DT_LEFT);
    const int dpi = owner_.Dpi();
    Move(left_, top_, PixelsToTwips(r.right - r.left, dpi), PixelsToTwips(r.bottom - r.top, dpi));
}

// ---- CheckBox --------------------------------------------------------------------------------

CheckBox::CheckBox(Form& owner, int left, int top, int width, int height, std::string caption,
                   int value)
    : Control(owner, left, top, width, height, std::move(caption)), value_(value) {}

void CheckBox::Create(HWND parent) {
    CreateChild(parent, L"BUTTON", BS_CHECKBOX | WS_TABSTOP | WS_GROUP);
    if (hwnd_ && value_) SendMessageW(hwnd_, BM_SETCHECK, BST_CHECKED, 0);
}

void CheckBox::SetValue(int value) {
    if (value == value_) return;
    value_ = value;
    if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, value_ ? BST_CHECKED : BST_UNCHECKED, 0);
    if (onClick) onClick();
}

void CheckBox::OnCommand(WORD notification) {
    if (notification == BN_CLICKED) SetValue(value_ ? 0 : 1);
}

// ---- OptionButton ----------------------------------------------------------------------------

OptionButton::OptionButton(Form& owner, int left, int top, int width, int height,
                           std::string caption, bool value)
    : Control(owner, left, top, width, height, std::move(caption)), value_(value) {}

void OptionButton::Group(std::initializer_list<OptionButton*> buttons) {
    bool first = true;
    for (OptionButton* b : buttons) {
        b->group_.assign(buttons.begin(), buttons.end());
        b->groupStart_ = first;
        first = false;
    }
}

void OptionButton::Create(HWND parent) {
    // As BM_SETCHECK keeps it: Tab reaches a group at its selected button only.
    CreateChild(parent, L"BUTTON",
                BS_RADIOBUTTON | (value_ ? WS_TABSTOP : 0) | (groupStart_ ? WS_GROUP : 0));
    if (hwnd_ && value_) SendMessageW(hwnd_, BM_SETCHECK, BST_CHECKED, 0);
}

void OptionButton::SetValue(bool value) {
    if (!value) {
        value_ = false;
        if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, BST_UNCHECKED, 0);
        return;
    }
    if (value_) return;
    for (OptionButton* other : group_)
        if (other != this) other->SetValue(false);
    value_ = true;
    if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, BST_CHECKED, 0);
    if (onClick) onClick();
}

void OptionButton::OnCommand(WORD notification) {
    if (notification == BN_CLICKED) SetValue(true);
}

// ---- PushButton ------------------------------------------------------------------------------

PushButton::PushButton(Form& owner, int left, int top, int width, int height, std::string caption,
                       bool isDefault)
    : Control(owner, left, top, width, height, std::move(caption)), default_(isDefault) {}

void PushButton::Create(HWND parent) {
    CreateChild(parent, L"BUTTON",
                (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP | WS_GROUP);
}

void PushButton::Click() {
    if (Enabled() && onClick) onClick();
}

void PushButton::OnCommand(WORD notification) {
    if (notification == BN_CLICKED) Click();
}

// ---- TextBox ---------------------------------------------------------------------------------

TextBox::TextBox(Form& owner, int left, int top, int width, int height)
    : Control(owner, left, top, width, height) {}

void TextBox::Create(HWND parent) {
    CreateChild(parent, L"EDIT",
                ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_HSCROLL |
                    WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                WS_EX_CLIENTEDGE);
    // Wine counts the text a box is created with as a change of the user's.
    if (hwnd_) SendMessageW(hwnd_, EM_SETMODIFY, FALSE, 0);
}

}  // namespace cvinst::win
