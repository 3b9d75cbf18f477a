#include "internet/win32/WinInetApi.h"

#include "internet/InternetOnline.h"

namespace platform {

bool InternetSwitchOnline() {
    INTERNET_CONNECTED_INFO state{INTERNET_STATE_CONNECTED, 0};
    return ::InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, sizeof state) !=
           FALSE;
}

}  // namespace platform
