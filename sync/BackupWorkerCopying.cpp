// Copying one file to the destination (with its optional detour through a
// temporary name), and making a destination folder.

#include <string>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "sync/BackupWorker.h"
#include "sync/SyncPaths.h"

VelSyncBackupWorker::CopyPlan VelSyncBackupWorker::PlanCopy(const std::string& relativePath,
                                                           const VelDirectoryEntry& source,
                                                           VelDirectoryList& destinationList,
                                                           const VelDirectoryEntry* destination) {
    CopyPlan plan;
    plan.SourceFolder = SourceFolder(relativePath);
    plan.DestinationFolder = DestinationFolder(relativePath);
    plan.Source = source;
    plan.WasReadOnly = destination != nullptr && destination->IsReadOnly();
    plan.DestinationName = destination != nullptr ? destination->Name : source.Name;
    plan.Binary = !(DestinationTextMode && IsTextFile(source.Name));
    plan.FileMode = FileModeFor(source.Name);
    // A new file is always written under its own name, whatever /T says.
    if (!Options->TempPrefix.empty() && destination != nullptr)
        plan.TemporaryName = TemporaryName(source, destinationList);
    return plan;
}

bool VelSyncBackupWorker::CopyFile(const std::string& relativePath, const VelDirectoryEntry& source,
                                   VelDirectoryList& destinationList,
                                   const VelDirectoryEntry* destination) {
    CopyFailure = {};
    std::string readFailure;
    const bool ok = CopyWith(*Source, *Destination,
                             PlanCopy(relativePath, source, destinationList, destination),
                             CopyFailure, readFailure);
    if (!readFailure.empty()) Report(mcError, readFailure);
    return ok;
}

bool VelSyncBackupWorker::CopyWith(VelStorageDevice& from, VelStorageDevice& to,
                                   const CopyPlan& plan, Failure& failure,
                                   std::string& readFailure) const {
    const VelDirectoryEntry& source = plan.Source;
    const std::string& destinationFolder = plan.DestinationFolder;
    if (plan.WasReadOnly) {
        if (!Options->OverwriteReadOnly) {
            platform::SetLastErrorCode(ErrorCode::WriteProtect);
            failure = {ErrorCode::WriteProtect,
                       "The destination file " + destinationFolder + platform::PathSeparator +
                           plan.DestinationName + " is read-only; /R overwrites it."};
            return false;
        }
        to.SetReadOnly(destinationFolder, source.Name, false, false);
    }
    const std::string local = from.GetLocalCopyOf(plan.SourceFolder, source);
    if (local.empty()) {
        failure = {from.LastErrorCode(), from.LastErrorText()};
        readFailure = "Failed to read " + plan.SourceFolder + platform::PathSeparator + source.Name;
        return false;
    }
    bool ok = plan.TemporaryName.empty()
                  ? to.PutFile(local, destinationFolder, source.Name, plan.Binary)
                  : PutThroughTemporaryName(to, local, plan);
    // Handing the local copy back may change the thread's last error, which is
    // where the disk device keeps the reason.
    if (!ok) failure = {to.LastErrorCode(), to.LastErrorText()};
    from.ReleaseLocalCopy(local);
    if (ok && !from.LocalCopyKeepsDate())
        ok = to.SetFileDate(destinationFolder, source.Name, source.ListedTime);
    if (ok && to.SupportsChmod() && !plan.FileMode.empty())
        ok = to.Chmod(destinationFolder, source.Name, plan.FileMode);
    // A read-only file made writable to be replaced is read-only again when its
    // source is.
    if (ok && plan.WasReadOnly && source.IsReadOnly())
        to.SetReadOnly(destinationFolder, source.Name, true, false);
    return ok;
}

bool VelSyncBackupWorker::PutThroughTemporaryName(VelStorageDevice& to, const std::string& local,
                                                  const CopyPlan& plan) const {
    const std::string& folder = plan.DestinationFolder;
    const std::string& name = plan.Source.Name;
    if (!to.PutFile(local, folder, plan.TemporaryName, plan.Binary)) return false;
    if (!DeleteFileOn(to, folder, name, true)) {
        // The old file stays as it was; the new copy beside it must not.
        DiscardTemporary(to, folder, plan.TemporaryName);
        return false;
    }
    // Once the old file is gone the copy under the temporary name is kept,
    // whatever the rename does: it is then the only copy at the destination.
    return to.RenameFile(folder, plan.TemporaryName, name);
}

std::string VelSyncBackupWorker::TemporaryName(const VelDirectoryEntry& source,
                                               VelDirectoryList& destinationList) {
    // A long name is cut short, so that the temporary name still fits.
    const std::string& prefix = Options->TempPrefix;
    std::string name = FittedName(prefix + "_", source.Name);
    for (int n = 1; destinationList.FindByName(name, false) != nullptr; ++n)
        name = FittedName(prefix + "_" + std::to_string(n) + "_", source.Name);
    return name;
}

void VelSyncBackupWorker::DiscardTemporary(VelStorageDevice& to, const std::string& folder,
                                           const std::string& name) const {
    // The reason the caller reports is the failure's, not this deletion's.
    const uint32_t code = to.LastErrorCode();
    to.DeleteFile(folder, name, false);
    platform::SetLastErrorCode(code);
}

std::string VelSyncBackupWorker::FileModeFor(const std::string&) const {
    return Options->NewFileMode;
}

bool VelSyncBackupWorker::MakeFolder(const std::string& folder, const std::string& name) {
    const bool itself = name == ".";
    bool ok = Destination->CreateFolder(itself ? folder : folder + platform::PathSeparator + name);
    if (ok && Destination->SupportsChmod() && !Options->NewFolderMode.empty())
        ok = Destination->Chmod(folder, name, Options->NewFolderMode);
    return ok;
}
