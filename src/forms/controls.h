#pragma once
// The controls of a form, sized in twips. A check box's value set from code runs its click
// handler when the value changes; selecting an option button from code clears the others of its
// group and runs its handler when it was not selected before, as a click does.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/font_cache.h"

namespace cvinst::win {

class Form;

// A window's text (WM_GETTEXT), whole.
std::string WindowText(HWND hwnd);

class Control {
public:
    Control(Form& owner, int left, int top, int width, int height, std::string caption = {});
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    HWND hwnd() const { return hwnd_; }
    int id() const { return id_; }

    std::string Caption() const;
    void SetCaption(std::string_view text);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    void SetFocus();

    // Geometry in twips, as set (the window's pixels follow from the form's DPI).
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Move(int left, int top, int width, int height);

    virtual bool HasFont() const { return true; }
    const FontSpec& Font() const { return font_; }
    void SetFontName(std::string_view face);
    void SetFontCharset(int charset);

protected:
    friend class Form;
    // Called once the form's window exists; the control is created in the state set so far.
    virtual void Create(HWND parent) = 0;
    virtual void OnCommand(WORD /*notification*/) {}
    virtual void OnFontChanged() {}
    void CreateChild(HWND parent, const wchar_t* cls, DWORD style, DWORD exStyle = 0);
    void ApplyFont();
    // The shared font of the current face, size and character set at the form's DPI.
    std::shared_ptr<HFONT__> WantedFont() const;

    Form& owner_;
    HWND hwnd_ = nullptr;
    int id_;
    int left_, top_, width_, height_;
    std::string caption_;
    bool enabled_ = true;
    FontSpec font_;
    std::shared_ptr<HFONT__> hfont_;
};

class Label : public Control {
public:
    Label(Form& owner, int left, int top, int width, int height, std::string caption,
          bool autoSize = false);
    // Takes the size its text needs in its font.
    void FitToText();

protected:
    void Create(HWND parent) override;
    void OnFontChanged() override;

private:
    bool autoSize_;
};

class CheckBox : public Control {
public:
    CheckBox(Form& owner, int left, int top, int width, int height, std::string caption,
             int value = 0);
    int Value() const { return value_; }
    void SetValue(int value);
    std::function<void()> onClick;

protected:
    void Create(HWND parent) override;
    void OnCommand(WORD notification) override;

private:
    int value_;
};

class OptionButton : public Control {
public:
    OptionButton(Form& owner, int left, int top, int width, int height, std::string caption,
                 bool value = false);
    bool Value() const { return value_; }
    void SetValue(bool value);
    // The buttons that exclude each other; the first of them starts the tab group.
    static void Group(std::initializer_list<OptionButton*> buttons);
    std::function<void()> onClick;

protected:
    void Create(HWND parent) override;
    void OnCommand(WORD notification) override;

private:
    bool value_;
    std::vector<OptionButton*> group_;
    bool groupStart_ = true;
};

class PushButton : public Control {
public:
    PushButton(Form& owner, int left, int top, int width, int height, std::string caption,
               bool isDefault = false);
    bool IsDefault() const { return default_; }
    void Click();
    std::function<void()> onClick;

protected:
    void Create(HWND parent) override;
    void OnCommand(WORD notification) override;

private:
    bool default_;
};

// A read-only, multi-line text box with both scroll bars and no wrapping.
class TextBox : public Control {
public:
    TextBox(Form& owner, int left, int top, int width, int height);

protected:
    void Create(HWND parent) override;
};

}  // namespace cvinst::win
