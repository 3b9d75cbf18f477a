// Copying one file to the destination (with its optional detour through a
// temporary name), and making a destination folder.

#include <string>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "sync/BackupWorker.h"
#include "sync/SyncPaths.h"

bool VelSyncBackupWorker::CopyFile(const std::string& relativePath, const VelDirectoryEntry& source,
                                   VelDirectoryList& destinationList,
                                   const VelDirectoryEntry* destination) {
    const std::string sourceFolder = SourceFolder(relativePath);
    const std::string destinationFolder = DestinationFolder(relativePath);
    CopyFailure = {};
    const bool wasReadOnly = destination != nullptr && destination->IsReadOnly();
    if (wasReadOnly) {
        if (!Options->OverwriteReadOnly) {
            platform::SetLastErrorCode(ErrorCode::WriteProtect);
            CopyFailure = {ErrorCode::WriteProtect,
                           "The destination file " + destinationFolder + platform::PathSeparator +
                               destination->Name + " is read-only; /R overwrites it."};
            return false;
        }
        Destination->SetReadOnly(destinationFolder, source.Name, false, false);
    }
    const bool binary = !(DestinationTextMode && IsTextFile(source.Name));
    const std::string local = Source->GetLocalCopy(sourceFolder, source.Name);
    if (local.empty()) {
        CopyFailure = {Source->LastErrorCode(), Source->LastErrorText()};
        Report(mcError, "Failed to read " + sourceFolder + platform::PathSeparator + source.Name);
        return false;
    }
    // A new file is always written under its own name, whatever /T says.
    const bool throughPrefix = !Options->TempPrefix.empty() && destination != nullptr;
    bool ok = throughPrefix ? PutThroughTemporaryName(local, destinationFolder, source,
                                                      destinationList, binary)
                            : Destination->PutFile(local, destinationFolder, source.Name, binary);
    // Handing the local copy back may change the thread's last error, which is
    // where the disk device keeps the reason.
    if (!ok) CopyFailure = {Destination->LastErrorCode(), Destination->LastErrorText()};
    Source->ReleaseLocalCopy(local);
    if (ok && !Source->LocalCopyKeepsDate())
        ok = Destination->SetFileDate(destinationFolder, source.Name, source.ListedTime);
    if (ok && Destination->SupportsChmod()) {
        const std::string mode = FileModeFor(source.Name);
        if (!mode.empty()) ok = Destination->Chmod(destinationFolder, source.Name, mode);
    }
    // A read-only file made writable to be replaced is read-only again when its
    // source is.
    if (ok && wasReadOnly && source.IsReadOnly())
        Destination->SetReadOnly(destinationFolder, source.Name, true, false);
    return ok;
}

bool VelSyncBackupWorker::PutThroughTemporaryName(const std::string& local,
                                                  const std::string& folder,
                                                  const VelDirectoryEntry& source,
                                                  VelDirectoryList& destinationList, bool binary) {
    const std::string temporary = TemporaryName(source, destinationList);
    if (!Destination->PutFile(local, folder, temporary, binary)) return false;
    if (!DeleteDestinationFile(folder, source.Name, true)) {
        // The old file stays as it was; the new copy beside it must not.
        DiscardTemporary(folder, temporary);
        return false;
    }
    // Once the old file is gone the copy under the temporary name is kept,
    // whatever the rename does: it is then the only copy at the destination.
    return Destination->RenameFile(folder, temporary, source.Name);
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

void VelSyncBackupWorker::DiscardTemporary(const std::string& folder, const std::string& name) {
    // The reason the caller reports is the failure's, not this deletion's.
    const uint32_t code = Destination->LastErrorCode();
    Destination->DeleteFile(folder, name, false);
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
