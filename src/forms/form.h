#pragma once
// A small forms layer over Win32: windows and controls sized in twips, with the semantics the
// program's windows rely on. A check box's value set from code runs its click handler when the
// value changes; selecting an option button from code clears the others of its group and runs
// its handler when it was not selected before. A form can be loaded (its load handler runs)
// without being shown, shown modeless or modal, and unloaded. Its load handler runs before the
// controls' windows exist (what it sets, they are created with).
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/handles.h"
#include "support/cvline.h"

namespace cvinst::win {

class Form;

// Loads the common controls (version 6, through the manifest) from the system folder and registers
// the standard classes. Call it once the DLL search is restricted: comctl32 is no known DLL.
void LoadCommonControls();

struct FontSpec {
    std::string face = "MS Sans Serif";
    int pointSize = 8;
    int charset = 0;
};

class Control {
public:
    Control(Form& owner, int left, int top, int width, int height);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    HWND hwnd() const { return hwnd_; }
    int id() const { return id_; }
    Form& owner() const { return owner_; }

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
    virtual void Create(HWND parent) = 0;
    virtual void OnCommand(WORD /*notification*/) {}
    virtual void OnFontChanged() {}
    void CreateChild(HWND parent, const wchar_t* cls, DWORD style, DWORD exStyle = 0);
    void ApplyFont();

    Form& owner_;
    HWND hwnd_ = nullptr;
    int id_;
    int left_, top_, width_, height_;
    std::string initialCaption_;
    bool initialEnabled_ = true;
    FontSpec font_;
    std::shared_ptr<HFONT__> hfont_;
};

class Label : public Control {
public:
    Label(Form& owner, int left, int top, int width, int height, std::string caption,
          bool autoSize = false);
    // The size the text takes in the label's font, in twips.
    void FitToText();

protected:
    void Create(HWND parent) override;
    void OnFontChanged() override;

private:
    bool autoSize_;
};

class CheckBox : public Control {
public:
    CheckBox(Form& owner, int left, int top, int width, int height, std::string caption, int value = 0);
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

class TextBox : public Control {
public:
    TextBox(Form& owner, int left, int top, int width, int height);

protected:
    void Create(HWND parent) override;
};

enum class FormKind {
    Main,    // fixed single border, minimise button, on the taskbar, centred on the screen
    Dialog,  // fixed dialog frame, no minimise or maximise, not on the taskbar, centred on its owner
};

class Form : public LineSurface {
public:
    Form(FormKind kind, int clientWidth, int clientHeight, std::string caption = {});
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    ~Form() override;

    void Load();
    void Show();
    void ShowModal(Form* owner);
    void Unload();
    // Asks the form to close as its close box does (Form_QueryUnload may refuse).
    void Close();

    bool Loaded() const { return hwnd_ != nullptr; }
    bool Visible() const;
    HWND hwnd() const { return hwnd_; }
    int Dpi() const { return dpi_; }
    int ToPixels(int twips) const;

    std::string Caption() const;
    void SetCaption(std::string_view caption);
    void Repaint();
    void SetCloseEnabled(bool enabled);  // the close box and the system menu's Close
    // The outer size, frame and title bar included, in twips.
    void SetOuterSize(int width, int height);

    const std::vector<Control*>& Controls() const { return controls_; }

    // LineSurface: the persistent image the form repaints itself from (AutoRedraw).
    void SetAutoRedraw(bool on) override;
    float Width() override;
    float Height() override;
    uint32_t BackColor() override;
    void Line(float x1, float y1, float x2, float y2, uint32_t color) override;
    // The colour of a client pixel of the persistent image (tests read what was drawn).
    COLORREF ImagePixel(int x, int y) const;

    // Called with every modal form once it is on the screen (tests answer dialogs here).
    static std::function<void(Form&)>& ModalShownHook();

    // Runs the thread's message loop until WM_QUIT; returns its exit code.
    static int RunMessageLoop();
    // Keyboard handling of our forms (Tab, Enter) for a message about to be dispatched.
    static bool PreTranslate(MSG& msg);
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

protected:
    virtual void Form_Load() {}
    // Return false to keep the form open when the user asks it to close.
    virtual bool Form_QueryUnload() { return true; }
    virtual void Form_Unload() {}

private:
    friend class Control;
    int Register(Control* control);
    LRESULT HandleMessage(UINT, WPARAM, LPARAM);
    void OnCommand(WORD id, WORD notification, HWND control);
    bool OnEraseBackground(HDC dc);
    void CenterOn(HWND over);
    void ShowOnTop();

    FormKind kind_;
    int clientWidth_, clientHeight_;
    std::string initialCaption_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    std::vector<Control*> controls_;
    int nextId_ = 100;
    bool autoRedraw_ = false;
    unique_hdc imageDc_;
    unique_hbitmap image_;
    HGDIOBJ imageOld_ = nullptr;
    HWND modalOwner_ = nullptr;
    bool closeEnabled_ = true;
};

}  // namespace cvinst::win
