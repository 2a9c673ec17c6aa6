#pragma once
// A form: one top-level window with its controls. It can be loaded (its load handler runs, hidden,
// before the controls' windows exist, so what it sets they are created with) without being shown,
// shown modeless or modal, and unloaded.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/controls.h"

namespace cvinst::win {

class MemoryImage;

enum class FormKind {
    Main,    // fixed single border, minimise button, on the taskbar, centred on the screen
    Dialog,  // fixed dialog frame, no minimise or maximise, not on the taskbar, centred on its
             // owner
};

class Form {
public:
    Form(FormKind kind, int clientWidth, int clientHeight, std::string caption = {});
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    void Load();
    void Show();
    // Disables the owner and runs a nested loop until the form is unloaded.
    void ShowModal(Form* owner);
    // Told of each form shown modally over this one, once it is on the screen (tests answer
    // dialogs here).
    std::function<void(Form&)> onModalShown;
    void Unload();

    HWND hwnd() const { return hwnd_; }
    int Dpi() const { return dpi_; }
    // The fonts this form's controls share: its own, or those of the form it was shown over.
    FontCache& Fonts() const { return *fonts_; }
    // Before Load: the controls use the fonts of `owner`, which outlives this form.
    void ShareFontsOf(const Form& owner) { fonts_ = owner.fonts_; }
    int ToPixels(int twips) const;

    std::string Caption() const;
    void SetCaption(std::string_view caption);
    void Repaint();
    void SetCloseEnabled(bool enabled);  // the close box and the system menu's Close
    // The outer size, frame and title bar included, in twips.
    int OuterWidth() const;
    int OuterHeight() const;
    void SetOuterSize(int width, int height);

    const std::vector<Control*>& Controls() const { return controls_; }

    // Drawing on the form. With AutoRedraw on, lines go into a persistent image that the form
    // repaints its background from; otherwise straight onto the window.
    void SetAutoRedraw(bool on);
    COLORREF BackColor() const;
    void DrawLine(int x1, int y1, int x2, int y2, COLORREF color);  // twips

    // The form a window belongs to; nullptr for any other window.
    static Form* FromWindow(HWND hwnd);
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
    void OnEraseBackground(HDC dc);
    void OnNcDestroy();
    PushButton* DefaultButton() const;
    void CenterOn(HWND over);
    void ShowOnTop();

    FormKind kind_;
    int clientWidth_, clientHeight_;
    std::string caption_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    FontCache ownFonts_;
    FontCache* fonts_ = &ownFonts_;
    std::vector<Control*> controls_;
    int nextId_ = 100;
    bool autoRedraw_ = false;
    std::unique_ptr<MemoryImage> image_;
    HWND modalOwner_ = nullptr;
    Form* shownOver_ = nullptr;  // the form this one is shown modally over
    bool closeEnabled_ = true;
};

}  // namespace cvinst::win
