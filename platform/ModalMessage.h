#pragma once
// A modal message box for the rare questions and reports that the program puts
// in front of the user even though it is a console program. Where the system has
// no window system (POSIX consoles) no box can be shown: the call says so and the
// caller reports the text another way.

#include <string>

namespace platform {

enum class ModalButtons { Ok, YesNoCancelQuestion };
enum class ModalAnswer { None, Ok, Yes, No, Cancel };

// Shows text with caption and waits until the user has answered. Returns false,
// with answer None, when no box could be shown.
bool ShowModalMessage(const std::string& text, const std::string& caption, ModalButtons buttons,
                      ModalAnswer& answer);

}  // namespace platform
