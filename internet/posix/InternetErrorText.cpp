#include "internet/InternetClient.h"
#include "internet/InternetErrorTexts.h"

namespace platform {

std::string InternetErrorText(uint32_t code) {
    return OwnInternetErrorText(code);
}

}  // namespace platform
