#include "platform/InternetClient.h"
#include "platform/InternetErrorTexts.h"

namespace platform {

std::string InternetErrorText(uint32_t code) {
    return OwnInternetErrorText(code);
}

}  // namespace platform
