#include "platform/CopyTemporaryName.h"

#include "platform/FileCopy.h"

namespace platform {

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
