#pragma once
// The calling thread's last error code, kept by the platform layer itself (the
// equivalent of GetLastError/SetLastError). Every platform call that fails sets it;
// nothing reads errno later. Each thread has its own value.

#include <cstdint>

namespace platform {

uint32_t GetLastErrorCode();
void SetLastErrorCode(uint32_t code);

}  // namespace platform
