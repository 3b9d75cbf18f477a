// The thread's last error is the system's own: every Windows call already keeps
// its reason there.
#include <windows.h>

#include "platform/LastError.h"

namespace platform {

uint32_t GetLastErrorCode() {
    return ::GetLastError();
}

void SetLastErrorCode(uint32_t code) {
    ::SetLastError(code);
}

}  // namespace platform
