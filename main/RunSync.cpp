#include "main/RunSync.h"

// The synchronisation engine is not part of this build yet: a complete command
// line is read and its outputs are built, but nothing is copied.
void RunSync(const ConnectionOptions&, const ConnectionOptions&, const VelSyncFlags&,
             VelSyncBaseOutput& output) {
    output.Message(mcError, "Synchronisation is not available in this build.");
}
