#include "platform/ModalMessage.h"

namespace platform {

// A console on POSIX has no window system to show a box in.
bool ShowModalMessage(const std::string&, const std::string&, ModalButtons, ModalAnswer& answer) {
    answer = ModalAnswer::None;
    return false;
}

}  // namespace platform
