#include "forms/msgbox.h"

#include "base/win32/text.h"

namespace cvinst::win {

int MessageBoxes::Show(HWND owner, std::string_view text, UINT flags,
                       std::string_view caption) const {
    const MessageBoxRequest request{owner, std::string(text),
                                    caption.empty() ? title : std::string(caption), flags};
    if (answer) return answer(request);
    const int given = MessageBoxW(owner, Wide(request.text).c_str(), Wide(request.caption).c_str(),
                                  flags | MB_SETFOREGROUND);
    if (observe) observe(request, given);
    return given;
}

}  // namespace cvinst::win
