#include "platform/CopyTemporaryName.h"

#include <atomic>
#include <chrono>
#include <random>

#include "platform/FileCopy.h"

namespace platform {

namespace {

const char TailLetters[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

}  // namespace

std::string NewCopyTemporaryName() {
    static std::atomic<uint64_t> counter{0};
    static const uint64_t seed =
        (uint64_t(std::random_device{}()) << 32) ^ uint64_t(std::random_device{}());
    uint64_t mixed = seed ^ uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                     (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    mixed ^= mixed >> 29;
    mixed *= 0xBF58476D1CE4E5B9ull;
    mixed ^= mixed >> 32;
    std::string name = CopyTemporaryHead;
    for (size_t i = 0; i < CopyTemporaryTail; ++i, mixed /= 62) name += TailLetters[mixed % 62];
    return name;
}

bool IsCopyTemporaryName(const std::string& name) {
    const size_t head = sizeof CopyTemporaryHead - 1;
    if (name.size() != head + CopyTemporaryTail || name.compare(0, head, CopyTemporaryHead) != 0)
        return false;
    for (size_t i = head; i < name.size(); ++i) {
        const char c = name[i];
        if (!(c >= '0' && c <= '9') && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z'))
            return false;
    }
    return true;
}

}  // namespace platform
