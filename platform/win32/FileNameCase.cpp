#include "platform/FileNameCase.h"

namespace platform {

bool FileNamesIgnoreCase() {
    return true;
}

}  // namespace platform
