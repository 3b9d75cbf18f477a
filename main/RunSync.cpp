#include "main/RunSync.h"

#include <memory>

#include "ftp/FtpStorage.h"
#include "storage/DiskStorageDevice.h"
#include "sync/BackupWorker.h"

namespace {

// Only the scheme makes an FTP location, and case-sensitively: a local folder
// whose name begins with "ftp" (ftpdata/) and FTP://host are disk paths.
bool IsFtpLocation(const std::string& location) {
    return location.compare(0, 4, "ftp:") == 0;
}

// Time limits of the FTP device, in seconds: one connection attempt, and a call
// that shows no progress.
constexpr int FtpConnectTimeout = 30;
constexpr int FtpWatchdogTimeout = 30;

std::unique_ptr<VelStorageDevice> MakeDevice(const ConnectionOptions& side,
                                             VelSyncBaseOutput& output) {
    if (!IsFtpLocation(side.Location)) return std::make_unique<DiskStorageDevice>(&output);
    auto ftp = std::make_unique<FtpStorageDevice>(output, FtpConnectTimeout, FtpWatchdogTimeout);
    // Asking for both modes, or for neither, leaves the device its own default.
    if (side.UseActive != side.UsePassive)
        ftp->SetOptions(side.UseActive ? FtpStorageDevice::ActiveOnly
                                       : FtpStorageDevice::PassiveOnly);
    return ftp;
}

bool ConnectSide(VelStorageDevice& device, const ConnectionOptions& side) {
    return device.Connect(side.Location, side.UserName, side.Password, "");
}

}  // namespace

void RunSync(const ConnectionOptions& source, const ConnectionOptions& destination,
             const VelSyncFlags& options, VelSyncBaseOutput& output) {
    std::unique_ptr<VelStorageDevice> sourceDevice = MakeDevice(source, output);
    if (!ConnectSide(*sourceDevice, source)) {
        output.Message(mcError, "Failed to connect to source " + source.Location + ".");
        return;
    }
    std::unique_ptr<VelStorageDevice> destinationDevice = MakeDevice(destination, output);
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
