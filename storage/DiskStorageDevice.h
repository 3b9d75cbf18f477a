#pragma once
// The storage device for local folders and network shares.
//
// Folders are full paths; a file is (folder, name), joined with the path
// separator. A network share is given as //server/share/folder: Connect finds the
// share in the mount table and from then on every path that begins with the
// share's part of the location as given (//server/share, or a deeper part when a
// deeper folder is mounted) is reached with the mount point in its place; other
// paths are used as they are. Local copies handed out by GetLocalCopy are such
// reachable paths, so the other device can read them.
//
// Failures return false and leave the reason as the thread's last error code
// (LastErrorCode / LastErrorText). Only Connect and RemoveFolder send messages,
// and only when the device has an output. Main thread only.

#include <string>

#include "output/BaseOutput.h"
#include "storage/StorageDevice.h"

class DiskStorageDevice : public VelStorageDevice {
public:
    // The output receives the device's error messages; it is not owned and may be
    // null.
    explicit DiskStorageDevice(VelSyncBaseOutput* output);

    // As the local file system compares names: Sensitive on POSIX, Ignored on
    // Windows.
    NameCase NameCaseMode() override;
    bool Chmod(const std::string& folder, const std::string& name,
               const std::string& mode) override;
    // A location that does not begin with two separators needs nothing. A share
    // (//server/share/... on POSIX, \\server\share\... on Windows) is made
    // reachable by platform::ConnectShare: on POSIX through its mount (see
    // above) or as a path as it stands, on Windows with the user name and
    // password when the current credentials do not reach it. Otherwise three
    // messages ("Failed to connect to <share root>", "Error code: N",
    // "Description: ...") and false.
    bool Connect(const std::string& location, const std::string& userName,
                 const std::string& password, const std::string& connectionName) override;
    // Copies over an existing file through a temporary file beside it (a name
    // IsTemporaryName recognises); fails with ErrorCode::AccessDenied when that file is
    // read-only.
    bool PutFile(const std::string& localPath, const std::string& folder, const std::string& name,
                 bool binary) override;
    bool CreateFolder(const std::string& path) override;
    // Folder and name are joined with JoinPath; the name may be a relative path. A
    // read-only file is not deleted (ErrorCode::AccessDenied). A link is removed, not
    // its target.
    bool DeleteFile(const std::string& folder, const std::string& name,
                    bool reportFailure) override;
    // An empty folder, or a link to a folder (the link only). Sends
    // "RemoveDirectory (path) failed with error N: text" on failure.
    bool RemoveFolder(const std::string& path) override;
    bool LocalCopyKeepsDate() override;
    bool SupportsChmod() override;
    bool FolderExists(const std::string& path) override;
    void ReleaseLocalCopy(const std::string& localPath) override;
    std::string GetLocalCopy(const std::string& folder, const std::string& name) override;
    // The last error afterwards is ErrorCode::NoMoreFiles when the folder was read to
    // its end (also when nothing matched the mask), otherwise the reason it could not
    // be listed (PathNotFound, AccessDenied, DirectoryInvalid, ...); see
    // VelDirectoryList::CreateFromFolder.
    std::unique_ptr<VelDirectoryList> ListFolder(const std::string& folder, const std::string& mask,
                                                 bool allowCached) override;
    // Never replaces an existing file: ErrorCode::AlreadyExists, or AccessDenied when
    // it is read-only.
    bool RenameFile(const std::string& folder, const std::string& oldName,
                    const std::string& newName) override;
    // Writes only the read-only bit, and only when it changes (or force); writes
    // nothing when the attributes cannot be read. Always true.
    bool SetReadOnly(const std::string& folder, const std::string& name, bool readOnly,
                     bool force) override;
    // The time lands on an even second; a date outside 1980-2107 gives false
    // and leaves the file alone.
    bool SetFileDate(const std::string& folder, const std::string& name, double dateTime) override;
    // True when `path` is a symbolic link to a folder that holds it (its own
    // parent or a folder above that).
    bool LinkLeadsToAncestor(const std::string& path) override;
    // "local:" and the file identity (platform/FileIdentity.h) of what the path
    // leads to, links followed.
    std::string FolderIdentity(const std::string& path) override;
    bool IsTemporaryName(const std::string& name) override;
    bool TextSizeAsSent(const std::string& folder, const std::string& name,
                        uint64_t& size) override;
    // A device over the same mapping of a share (or none).
    SiblingOpener SiblingsReportingTo(VelSyncBaseOutput* output) override;

    // The mount table Connect reads for shares (default: the system's own).
    void SetMountTable(const std::string& path) { MountTable = path; }
    // The path on this machine that a path of this side names.
    std::string LocalPath(const std::string& path) const;

private:
    std::string PlainJoin(const std::string& folder, const std::string& name) const;

    VelSyncBaseOutput* Output;
    std::string MountTable;
    std::string SharePrefix;  // empty: no share mapping
    std::string ShareMountPoint;
};
