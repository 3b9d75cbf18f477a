#pragma once
// The run driver: makes and connects one device per side, runs one backup
// worker over them and tears everything down. Everything it has to say goes to
// the output, which it only borrows, as it borrows the options.

#include "common/SyncFlags.h"
#include "main/ConnectionOptions.h"
#include "output/BaseOutput.h"

void RunSync(const ConnectionOptions& source, const ConnectionOptions& destination,
             const VelSyncFlags& options, VelSyncBaseOutput& output);
