#include "forms/form.h"

#include <algorithm>

#include "base/win32/handles.h"
#include "base/win32/text.h"
#include "forms/form_image.h"
#include "forms/message_loop.h"
#include "forms/twips.h"

namespace cvinst::win {
namespace {

constexpr wchar_t kFormClass[] = L"CVInstForm";
constexpr UINT kModalShown = WM_APP + 1;

ATOM RegisterFormClass() {
    static ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = Form::WndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
        wc.hIconSm = static_cast<HICON>(LoadImageW(wc.hInstance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), 0));
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFormClass;
        return RegisterClassExW(&wc);
    }();
    return atom;
}

int ScreenDpi() {
    ScopedGetDC dc(nullptr);
    const int dpi = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

}  // namespace

Form::Form(FormKind kind, int clientWidth, int clientHeight, std::string caption)
    : kind_(kind), clientWidth_(clientWidth), clientHeight_(clientHeight),
      caption_(std::move(caption)) {}

Form::~Form() {
    if (hwnd_) {
        // Nothing may call back into a half-destroyed object.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

int Form::Register(Control* control) {
    controls_.push_back(control);
    return nextId_++;
}

int Form::ToPixels(int twips) const { return TwipsToPixels(twips, dpi_); }

Form* Form::FromWindow(HWND hwnd) {
    if (!hwnd || GetClassLongPtrW(hwnd, GCW_ATOM) != RegisterFormClass()) return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// ---- life: load, show, unload ----------------------------------------------------------------

void Form::Load() {
    if (hwnd_) return;
    RegisterFormClass();
    dpi_ = ScreenDpi();
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (kind_ == FormKind::Main) {
        style |= WS_OVERLAPPED | WS_MINIMIZEBOX;
        exStyle |= WS_EX_APPWINDOW;
    } else {
        style |= WS_POPUP | DS_MODALFRAME;
        exStyle |= WS_EX_DLGMODALFRAME;
    }
    RECT r{0, 0, ToPixels(clientWidth_), ToPixels(clientHeight_)};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    CreateWindowExW(exStyle, kFormClass, Wide(caption_).c_str(), style, CW_USEDEFAULT,
                    CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                    GetModuleHandleW(nullptr), this);
    if (!hwnd_) return;
    HMENU menu = GetSystemMenu(hwnd_, FALSE);
    if (kind_ == FormKind::Dialog) {
        for (UINT item : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE})
            DeleteMenu(menu, item, MF_BYCOMMAND);
    } else {
        for (UINT item : {SC_SIZE, SC_MAXIMIZE}) DeleteMenu(menu, item, MF_BYCOMMAND);
    }
    // The load handler sets the controls' captions, values and fonts before they exist, so each
    // is created once in its final state: changing a created control costs about as much as
    // creating it.
    Form_Load();
    if (!hwnd_) return;
    for (Control* c : controls_) c->Create(hwnd_);
}

void Form::CenterOn(HWND over) {
    RECT area;
    if (over && IsWindowVisible(over) && !IsIconic(over)) {
        GetWindowRect(over, &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT me;
    GetWindowRect(hwnd_, &me);
    const int w = me.right - me.left, h = me.bottom - me.top;
    const int x = area.left + ((area.right - area.left) - w) / 2;
    const int y = area.top + ((area.bottom - area.top) - h) / 2;
    SetWindowPos(hwnd_, nullptr, std::max(0, x), std::max(0, y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::ShowOnTop() {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    // The focus starts in the first control the Tab key can reach, as in a dialog.
    for (Control* c : controls_)
        if (GetWindowLongW(c->hwnd(), GWL_STYLE) & WS_TABSTOP && c->Enabled()) {
            ::SetFocus(c->hwnd());
            break;
        }
}

void Form::Show() {
    if (!hwnd_) Load();
    if (!hwnd_ || IsWindowVisible(hwnd_)) return;
    CenterOn(nullptr);
    ShowOnTop();
    UpdateWindow(hwnd_);
}

void Form::ShowModal(Form* owner) {
    if (!hwnd_) Load();
    if (!hwnd_) return;
    HWND ownerHwnd = owner ? owner->hwnd() : nullptr;
    shownOver_ = owner;
    if (ownerHwnd) {
        SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerHwnd));
        if (IsWindowEnabled(ownerHwnd)) {
            modalOwner_ = ownerHwnd;
            EnableWindow(ownerHwnd, FALSE);
        }
    }
    CenterOn(ownerHwnd);
    ShowOnTop();
    PostMessageW(hwnd_, kModalShown, 0, 0);
    const std::optional<int> quit = Pump(PumpMode::Wait, [this] { return hwnd_ == nullptr; });
    if (hwnd_) Unload();
    shownOver_ = nullptr;
    RepostQuit(quit);
}

void Form::Unload() {
    if (!hwnd_) return;
    if (modalOwner_) {
        // The owner is enabled before the dialog goes, or Windows activates another application.
        EnableWindow(modalOwner_, TRUE);
        SetActiveWindow(modalOwner_);
        modalOwner_ = nullptr;
    }
    DestroyWindow(hwnd_);
    // A modal loop waits in GetMessage, which does not return for a message sent from another
    // thread or process (a click sent by an accessibility tool): wake it up to see it is done.
    PostMessageW(nullptr, WM_NULL, 0, 0);
}

// ---- window properties -----------------------------------------------------------------------

std::string Form::Caption() const { return hwnd_ ? WindowText(hwnd_) : caption_; }

void Form::SetCaption(std::string_view caption) {
    caption_ = std::string(caption);
    if (hwnd_) SetWindowTextW(hwnd_, Wide(caption).c_str());
}

void Form::Repaint() {
    if (hwnd_)
        RedrawWindow(hwnd_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Form::SetCloseEnabled(bool enabled) {
    closeEnabled_ = enabled;
    if (hwnd_)
        EnableMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE,
                       MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

int Form::OuterWidth() const {
    RECT r{};
    if (hwnd_) GetWindowRect(hwnd_, &r);
    return PixelsToTwips(r.right - r.left, dpi_);
}

int Form::OuterHeight() const {
    RECT r{};
    if (hwnd_) GetWindowRect(hwnd_, &r);
    return PixelsToTwips(r.bottom - r.top, dpi_);
}

void Form::SetOuterSize(int width, int height) {
    if (hwnd_)
        SetWindowPos(hwnd_, nullptr, 0, 0, ToPixels(width), ToPixels(height),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- drawing ---------------------------------------------------------------------------------

void Form::SetAutoRedraw(bool on) {
    autoRedraw_ = on;
    if (!on || image_ || !hwnd_) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    auto image = std::make_unique<MemoryImage>(hwnd_, client.right, client.bottom);
    if (image->Valid()) image_ = std::move(image);
}

COLORREF Form::BackColor() const { return GetSysColor(COLOR_BTNFACE); }

void Form::DrawLine(int x1, int y1, int x2, int y2, COLORREF color) {
    if (!hwnd_) return;
    if (autoRedraw_ && image_) {
        image_->Line(ToPixels(x1), ToPixels(y1), ToPixels(x2), ToPixels(y2), color);
        // A hidden form is painted in full when it is shown.
        if (IsWindowVisible(hwnd_)) InvalidateRect(hwnd_, nullptr, TRUE);
        return;
    }
    ScopedGetDC dc(hwnd_);
    unique_gdiobj pen(CreatePen(PS_SOLID, 1, color));
    ScopedSelect select(dc.get(), pen.get());
    MoveToEx(dc.get(), ToPixels(x1), ToPixels(y1), nullptr);
    LineTo(dc.get(), ToPixels(x2), ToPixels(y2));
}

void Form::OnEraseBackground(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    if (image_) {
        image_->CopyTo(dc, client.right, client.bottom);
    } else {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    }
}

// ---- messages --------------------------------------------------------------------------------

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
    // Nothing thrown may unwind through the system's code.
    try {
        return form->HandleMessage(msg, wp, lp);
    } catch (...) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        OnEraseBackground(reinterpret_cast<HDC>(wp));
        return 1;
    case WM_COMMAND:
        OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
        return 0;
    case DM_GETDEFID:
        if (PushButton* button = DefaultButton()) return MAKELRESULT(button->id(), DC_HASDEFID);
        return 0;
    case WM_NEXTDLGCTL: {
        // A multi-line text box passes Tab on to its parent with this message, as to a dialog.
        HWND next =
            LOWORD(lp) ? reinterpret_cast<HWND>(wp) : GetNextDlgTabItem(hwnd_, GetFocus(), wp != 0);
        if (next) ::SetFocus(next);
        return 0;
    }
    case WM_CLOSE:
        if (closeEnabled_ && Form_QueryUnload()) Unload();
        return 0;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE && !closeEnabled_) return 0;
        break;
    case WM_DESTROY:
        Form_Unload();
        return 0;
    case WM_NCDESTROY:
        OnNcDestroy();
        return 0;
    case kModalShown:
        if (shownOver_ && shownOver_->onModalShown) shownOver_->onModalShown(*this);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void Form::OnNcDestroy() {
    for (Control* c : controls_) c->hwnd_ = nullptr;
    image_.reset();
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
}

PushButton* Form::DefaultButton() const {
    for (Control* c : controls_)
        if (auto* button = dynamic_cast<PushButton*>(c); button && button->IsDefault())
            return button;
    return nullptr;
}

void Form::OnCommand(WORD id, WORD notification, HWND control) {
    if (id == IDOK && !control) {
        // Enter pressed outside a push button: the default button, when there is one.
        if (PushButton* button = DefaultButton()) button->Click();
        return;
    }
    for (Control* c : controls_)
        if (c->id() == id) {
            c->OnCommand(notification);
            return;
        }
}

}  // namespace cvinst::win
