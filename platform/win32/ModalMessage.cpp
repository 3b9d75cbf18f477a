#include <windows.h>

#include "platform/ModalMessage.h"

namespace platform {

bool ShowModalMessage(const std::string& text, const std::string& caption, ModalButtons buttons,
                      ModalAnswer& answer) {
    answer = ModalAnswer::None;
    // The question asks for Yes, No and Cancel with the question icon; a report
    // has an OK button only.
    const UINT style =
        buttons == ModalButtons::YesNoCancelQuestion ? MB_YESNOCANCEL | MB_ICONQUESTION : MB_OK;
    // Owned by the console window where there is one, so the box comes up in
    // front of the window the user started the program from.
    const int chosen = ::MessageBoxA(::GetConsoleWindow(), text.c_str(), caption.c_str(), style);
    switch (chosen) {
        case IDOK:
            answer = ModalAnswer::Ok;
            return true;
        case IDYES:
            answer = ModalAnswer::Yes;
            return true;
        case IDNO:
            answer = ModalAnswer::No;
            return true;
        case IDCANCEL:
            answer = ModalAnswer::Cancel;
            return true;
        default:
            // 0: no box could be shown (no desktop to show it on).
            return false;
    }
}

}  // namespace platform
