#include "platform/FileNameCase.h"

namespace platform {

bool FileNamesIgnoreCase() {
    return false;
}

}  // namespace platform
