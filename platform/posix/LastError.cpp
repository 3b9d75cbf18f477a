#include "platform/LastError.h"

namespace platform {

namespace {
thread_local uint32_t lastErrorCode = 0;
}

uint32_t GetLastErrorCode() {
    return lastErrorCode;
}

void SetLastErrorCode(uint32_t code) {
    lastErrorCode = code;
}

}  // namespace platform
