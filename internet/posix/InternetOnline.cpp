#include "internet/InternetOnline.h"

namespace platform {

bool InternetSwitchOnline() {
    return true;
}

}  // namespace platform
