#include "forms/form.h"

#include <algorithm>
#include <map>
#include <memory>
#include <tuple>
#include <cmath>

#include <commctrl.h>

#include "forms/text.h"
#include "ui/twips.h"

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
    int dpi = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

std::string WindowText(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), n + 1)));
    return Utf8(text);
}

bool IsFormWindow(HWND hwnd) {
    return hwnd && GetClassLongPtrW(hwnd, GCW_ATOM) == RegisterFormClass();
}

}  // namespace

void LoadCommonControls() {
    HMODULE comctl = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!comctl) return;
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")))) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
        init(&icc);
    }
}

// ---- Control ---------------------------------------------------------------------------------

Control::Control(Form& owner, int left, int top, int width, int height)
    : owner_(owner), id_(owner.Register(this)), left_(left), top_(top), width_(width), height_(height) {}

std::string Control::Caption() const {
    return hwnd_ ? WindowText(hwnd_) : initialCaption_;
}

void Control::SetCaption(std::string_view text) {
    initialCaption_ = std::string(text);
    if (hwnd_) SetWindowTextW(hwnd_, Wide(text).c_str());
}

bool Control::Enabled() const { return hwnd_ ? IsWindowEnabled(hwnd_) != FALSE : initialEnabled_; }

void Control::SetEnabled(bool enabled) {
    initialEnabled_ = enabled;
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
                     owner_.ToPixels(width), owner_.ToPixels(height), SWP_NOZORDER | SWP_NOACTIVATE);
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
    if (!initialEnabled_) style |= WS_DISABLED;
    hwnd_ = CreateWindowExW(exStyle, cls, Wide(initialCaption_).c_str(), WS_CHILD | WS_VISIBLE | style,
                            owner_.ToPixels(left_), owner_.ToPixels(top_), owner_.ToPixels(width_),
                            owner_.ToPixels(height_), parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return;
    ApplyFont();
}

namespace {

// Controls with the same face, size and character set share one GDI font; it is deleted when the
// last of them lets go of it. Creating a font is costly (Wine matches it against every font).
std::shared_ptr<HFONT__> SharedFont(const FontSpec& wanted, int dpi) {
    static std::map<std::tuple<std::string, int, int, int>, std::weak_ptr<HFONT__>> cache;
    auto& slot = cache[{wanted.face, wanted.pointSize, wanted.charset, dpi}];
    if (auto font = slot.lock()) return font;
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(wanted.pointSize, dpi, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = static_cast<BYTE>(wanted.charset);
    lf.lfQuality = DEFAULT_QUALITY;
    std::wstring face = Wide(wanted.face);
    face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    HFONT created = CreateFontIndirectW(&lf);
    if (!created) return nullptr;
    std::shared_ptr<HFONT__> font(created, [](HFONT f) { DeleteObject(f); });
    slot = font;
    return font;
}

}  // namespace

void Control::ApplyFont() {
    if (!hwnd_ || !HasFont()) return;
    auto font = SharedFont(font_, owner_.Dpi());
    if (!font) return;
    // A control on a hidden form is painted when the form is shown; no need to redraw it now.
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), IsWindowVisible(hwnd_));
    hfont_ = std::move(font);  // the old font is released only after the control let go of it
}

// ---- Label -----------------------------------------------------------------------------------

Label::Label(Form& owner, int left, int top, int width, int height, std::string caption, bool autoSize)
    : Control(owner, left, top, width, height), autoSize_(autoSize) {
    initialCaption_ = std::move(caption);
}

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
    auto shared = HasFont() ? SharedFont(font_, owner_.Dpi()) : nullptr;
    if (!hwnd_) hfont_ = shared;  // the font it is about to be created with
    ScopedSelect font(dc.get(), shared ? static_cast<HGDIOBJ>(shared.get()) : GetStockObject(DEFAULT_GUI_FONT));
    std::wstring text = Wide(Caption());
    RECT r{0, 0, 0, 0};
    DrawTextW(dc.get(), text.empty() ? L" " : text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_LEFT);
    int dpi = owner_.Dpi();
    Move(left_, top_, PixelsToTwips(r.right - r.left, dpi), PixelsToTwips(r.bottom - r.top, dpi));
}

// ---- CheckBox --------------------------------------------------------------------------------

CheckBox::CheckBox(Form& owner, int left, int top, int width, int height, std::string caption, int value)
    : Control(owner, left, top, width, height), value_(value) {
    initialCaption_ = std::move(caption);
}

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

OptionButton::OptionButton(Form& owner, int left, int top, int width, int height, std::string caption,
                           bool value)
    : Control(owner, left, top, width, height), value_(value) {
    initialCaption_ = std::move(caption);
}

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
    CreateChild(parent, L"BUTTON", BS_RADIOBUTTON | (value_ ? WS_TABSTOP : 0) | (groupStart_ ? WS_GROUP : 0));
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
    : Control(owner, left, top, width, height), default_(isDefault) {
    initialCaption_ = std::move(caption);
}

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
                ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_HSCROLL | WS_VSCROLL |
                    WS_TABSTOP | WS_GROUP,
                WS_EX_CLIENTEDGE);
    // Wine counts the text a box is created with as a change of the user's.
    if (hwnd_) SendMessageW(hwnd_, EM_SETMODIFY, FALSE, 0);
}

// ---- Form ------------------------------------------------------------------------------------

Form::Form(FormKind kind, int clientWidth, int clientHeight, std::string caption)
    : kind_(kind), clientWidth_(clientWidth), clientHeight_(clientHeight),
      initialCaption_(std::move(caption)) {}

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
    CreateWindowExW(exStyle, kFormClass, Wide(initialCaption_).c_str(), style, CW_USEDEFAULT,
                    CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                    GetModuleHandleW(nullptr), this);
    if (!hwnd_) return;
    if (kind_ == FormKind::Dialog) {
        HMENU menu = GetSystemMenu(hwnd_, FALSE);
        for (UINT item : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE})
            DeleteMenu(menu, item, MF_BYCOMMAND);
    } else {
        HMENU menu = GetSystemMenu(hwnd_, FALSE);
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
    int w = me.right - me.left, h = me.bottom - me.top;
    int x = area.left + ((area.right - area.left) - w) / 2;
    int y = area.top + ((area.bottom - area.top) - h) / 2;
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

    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg;
    while (hwnd_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (got == -1) break;
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (hwnd_) Unload();
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
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

void Form::Close() {
    if (hwnd_) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

bool Form::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

std::string Form::Caption() const {
    return hwnd_ ? WindowText(hwnd_) : initialCaption_;
}

void Form::SetCaption(std::string_view caption) {
    initialCaption_ = std::string(caption);
    if (hwnd_) SetWindowTextW(hwnd_, Wide(caption).c_str());
}

void Form::Repaint() {
    if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Form::SetCloseEnabled(bool enabled) {
    closeEnabled_ = enabled;
    if (hwnd_)
        EnableMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE,
                       MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void Form::SetOuterSize(int width, int height) {
    if (hwnd_)
        SetWindowPos(hwnd_, nullptr, 0, 0, ToPixels(width), ToPixels(height),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetAutoRedraw(bool on) {
    autoRedraw_ = on;
    if (!on || imageDc_ || !hwnd_) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    ScopedGetDC screen(hwnd_);
    imageDc_.reset(CreateCompatibleDC(screen.get()));
    image_.reset(CreateCompatibleBitmap(screen.get(), std::max<LONG>(1, client.right), std::max<LONG>(1, client.bottom)));
    if (!imageDc_ || !image_) {
        imageDc_.reset();
        image_.reset();
        return;
    }
    imageOld_ = SelectObject(imageDc_.get(), image_.get());
    FillRect(imageDc_.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
}

float Form::Width() {
    RECT r{};
    if (hwnd_) GetWindowRect(hwnd_, &r);
    return static_cast<float>(PixelsToTwips(r.right - r.left, dpi_));
}

float Form::Height() {
    RECT r{};
    if (hwnd_) GetWindowRect(hwnd_, &r);
    return static_cast<float>(PixelsToTwips(r.bottom - r.top, dpi_));
}

uint32_t Form::BackColor() { return GetSysColor(COLOR_BTNFACE); }

void Form::Line(float x1, float y1, float x2, float y2, uint32_t color) {
    if (!hwnd_) return;
    auto px = [this](float twips) { return TwipsToPixels(static_cast<int>(std::lround(twips)), dpi_); };
    unique_gdiobj pen(CreatePen(PS_SOLID, 1, color));
    auto draw = [&](HDC dc) {
        ScopedSelect select(dc, pen.get());
        MoveToEx(dc, px(x1), px(y1), nullptr);
        LineTo(dc, px(x2), px(y2));
    };
    if (autoRedraw_ && imageDc_) {
        draw(imageDc_.get());
        // A hidden form is painted in full when it is shown.
        if (IsWindowVisible(hwnd_)) InvalidateRect(hwnd_, nullptr, TRUE);
    } else {
        ScopedGetDC dc(hwnd_);
        draw(dc.get());
    }
}

COLORREF Form::ImagePixel(int x, int y) const {
    return imageDc_ ? GetPixel(imageDc_.get(), x, y) : CLR_INVALID;
}

bool Form::OnEraseBackground(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    if (imageDc_) {
        BitBlt(dc, 0, 0, client.right, client.bottom, imageDc_.get(), 0, 0, SRCCOPY);
    } else {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    }
    return true;
}

std::function<void(Form&)>& Form::ModalShownHook() {
    static std::function<void(Form&)> hook;
    return hook;
}

bool Form::PreTranslate(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    return IsFormWindow(root) && IsDialogMessageW(root, &msg);
}

int Form::RunMessageLoop() {
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return -1;
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

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
        return OnEraseBackground(reinterpret_cast<HDC>(wp)) ? 1 : 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
        return 0;
    case DM_GETDEFID:
        for (Control* c : controls_)
            if (auto* b = dynamic_cast<PushButton*>(c); b && b->IsDefault())
                return MAKELRESULT(b->id(), DC_HASDEFID);
        return 0;
    case WM_NEXTDLGCTL: {
        // A multi-line text box passes Tab on to its parent with this message, as to a dialog.
        HWND next = LOWORD(lp) ? reinterpret_cast<HWND>(wp)
                               : GetNextDlgTabItem(hwnd_, GetFocus(), wp != 0);
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
        for (Control* c : controls_) c->hwnd_ = nullptr;
        if (imageDc_ && imageOld_) SelectObject(imageDc_.get(), imageOld_);
        imageOld_ = nullptr;
        image_.reset();
        imageDc_.reset();
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return 0;
    case kModalShown:
        if (auto& hook = ModalShownHook()) hook(*this);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void Form::OnCommand(WORD id, WORD notification, HWND control) {
    if (id == IDOK && !control) {
        // Enter pressed outside a push button: the default button, when there is one.
        for (Control* c : controls_)
            if (auto* b = dynamic_cast<PushButton*>(c); b && b->IsDefault()) b->Click();
        return;
    }
    for (Control* c : controls_)
        if (c->id() == id) {
            c->OnCommand(notification);
            return;
        }
}

}  // namespace cvinst::win
