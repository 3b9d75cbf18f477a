#include "main/RunSync.h"

#include <memory>

#include "storage/DiskStorageDevice.h"
#include "sync/BackupWorker.h"

namespace {

// Only the scheme makes an FTP location, and case-sensitively: a local folder
// whose name begins with "ftp" (ftpdata/) and FTP://host are disk paths.
bool IsFtpLocation(const std::string& location) {
    return location.compare(0, 4, "ftp:") == 0;
}

bool ConnectSide(VelStorageDevice& device, const ConnectionOptions& side) {
    return device.Connect(side.Location, side.UserName, side.Password, "");
}

}  // namespace

void RunSync(const ConnectionOptions& source, const ConnectionOptions& destination,
             const VelSyncFlags& options, VelSyncBaseOutput& output) {
    // The FTP device is not part of this build: a run that needs it does not start.
    for (const ConnectionOptions* side : {&source, &destination}) {
        if (IsFtpLocation(side->Location)) {
            output.Message(mcError, "The FTP device is not available in this build: " +
                                        side->Location + " cannot be reached.");
            return;
        }
    }
    auto sourceDevice = std::make_unique<DiskStorageDevice>(&output);
    if (!ConnectSide(*sourceDevice, source)) {
        output.Message(mcError, "Failed to connect to source " + source.Location + ".");
        return;
    }
    auto destinationDevice = std::make_unique<DiskStorageDevice>(&output);
    if (!ConnectSide(*destinationDevice, destination)) {
        output.Message(mcError, "Failed to connect to destination " + destination.Location + ".");
        sourceDevice.reset();
        destinationDevice.reset();
        return;
    }
    {
        VelSyncBackupWorker worker(output);
        worker.Run(source.Location, *sourceDevice, options, *destinationDevice,
                   destination.Location);
    }
    sourceDevice.reset();
    destinationDevice.reset();
}
