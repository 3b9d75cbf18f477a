#pragma once
// The abstract device through which the engine reads the source tree and writes
// the destination tree. Folders are full paths (a root plus a relative part that
// is empty or begins with the path separator); files are (folder, name) pairs.
// Operations return false (or an empty path, or an empty list) on failure and
// keep the reason for LastErrorCode/LastErrorText. All calls on one device come
// from one thread at a time; devices made by OpenSibling are used on threads of
// their own, beside the device they came from.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "output/BaseOutput.h"
#include "storage/DirectoryList.h"

// How a device compares names.
enum class NameCase : uint8_t {
    Ignored = 0,     // names compare without regard to case
    Sensitive = 1,   // names compare case-sensitively
    ServerRules = 2  // the FTP device: whatever the server does; case is ignored
};

class VelStorageDevice {
public:
    virtual ~VelStorageDevice() = default;

    // Only NameCase::Sensitive makes the engine tell names apart by case.
    virtual NameCase NameCaseMode() = 0;
    virtual bool SupportsTextMode();
    virtual bool Chmod(const std::string& folder, const std::string& name,
                       const std::string& mode) = 0;
    virtual bool Connect(const std::string& location, const std::string& userName,
                         const std::string& password, const std::string& connectionName) = 0;
    // Stores the local file as folder/name, replacing an existing file. A device
    // should let the name show the old content or the complete new one, never a
    // part (writing beside it under a name IsTemporaryName recognises, and
    // renaming at the end), so that an interrupted run leaves nothing
    // half-written that a later run would keep.
    virtual bool PutFile(const std::string& localPath, const std::string& folder,
                         const std::string& name, bool binary) = 0;
    virtual bool CreateFolder(const std::string& path) = 0;
    // The name may also be a relative path beginning with the separator.
    virtual bool DeleteFile(const std::string& folder, const std::string& name,
                            bool reportFailure) = 0;
    virtual bool RemoveFolder(const std::string& path) = 0;
    virtual bool LocalCopyKeepsDate() = 0;
    virtual bool SupportsChmod() = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    // Releasing a path twice is harmless.
    virtual void ReleaseLocalCopy(const std::string& localPath) = 0;
    // Base: the calling thread's last error code.
    virtual uint32_t LastErrorCode();
    // Base: the system's text for LastErrorCode().
    virtual std::string LastErrorText();
    // A local path to read the file from, or empty on failure; hand it back
    // with ReleaseLocalCopy.
    virtual std::string GetLocalCopy(const std::string& folder, const std::string& name) = 0;
    // A new list, never null (empty on failure). An empty mask lists everything;
    // a mask that is one name lists at most that entry.
    virtual std::unique_ptr<VelDirectoryList> ListFolder(const std::string& folder,
                                                         const std::string& mask,
                                                         bool allowCached) = 0;
    virtual bool RenameFile(const std::string& folder, const std::string& oldName,
                            const std::string& newName) = 0;
    virtual bool SetReadOnly(const std::string& folder, const std::string& name, bool readOnly,
                             bool force) = 0;
    // dateTime: days since 1899-12-30, local time.
    virtual bool SetFileDate(const std::string& folder, const std::string& name,
                             double dateTime) = 0;
    virtual void FolderFinished(const std::string& path);

    // Added after the twenty operations above.
    // True when the folder `path` is reached through a symbolic link that leads
    // back to one of its own ancestors, so that descending into it would never
    // end. Base: false (the device knows no links).
    virtual bool LinkLeadsToAncestor(const std::string& path);
    // A text naming the folder that `path` really is: the same for every path
    // that leads to it (through links, "." and "..", a second mount) and
    // different for every other folder. Texts from two devices are equal only
    // when both name the same folder of the same machine, so a device prefixes
    // them with what it reaches. Empty when the device cannot tell, and for a
    // path that leads nowhere. Base: empty (the engine then cannot see two
    // paths meet and relies on names alone).
    virtual std::string FolderIdentity(const std::string& path);
    // True when `name` is one this device gives the temporary file it stores a
    // file under until the file is complete (see PutFile), so that one found in
    // a listing is what an interrupted run left behind. A question about the
    // name alone; nothing is looked at. Base: false.
    virtual bool IsTemporaryName(const std::string& name);
    // True when the device can store a file or folder under `name`. A name it
    // cannot take is left out with a warning rather than failed as a copy.
    // Base: true.
    virtual bool AcceptsName(const std::string& name);
    // A second look at the folder `path`, which a listing showed empty: true
    // when it confirms that the folder can be read and holds nothing, so that
    // what the other side holds may be deleted on the strength of it. Base: true
    // (a listing of this device that shows nothing is an empty folder).
    virtual bool ConfirmEmptyFolder(const std::string& path);
    // The name under which the last successful PutFile stored its file when the
    // device knows that it is not the name it was given (a server that replaces
    // characters it does not take), so that the copy is not taken for a stranger
    // and deleted; empty otherwise. Base: empty.
    virtual std::string LastStoredName();
    // Whether the engine may descend into a folder that this device lists as a
    // link: the device can tell where links lead (LinkLeadsToAncestor,
    // FolderIdentity). Base: true.
    virtual bool EntersFolderLinks();
    // The size of the file once sent in text mode, every bare LF as CR LF: what
    // a server that keeps text as it was sent holds. false when the device cannot
    // tell. Base: false.
    virtual bool TextSizeAsSent(const std::string& folder, const std::string& name, uint64_t& size);
    // Opens another device of the same kind, reaching the same place the same
    // way (for an FTP server, a connection of its own, logged in), for work done
    // beside this device's; it returns null when none can be made (a server that
    // takes no more connections). Its failure is not reported as an error of the
    // run. The opener is taken on the thread that uses this device and holds what
    // it needs, so that it may then be called on any thread, as often as wanted.
    // The siblings report to `output`, or where this device reports when null.
    // Base: an empty opener (the device makes no siblings).
    using SiblingOpener = std::function<std::unique_ptr<VelStorageDevice>()>;
    virtual SiblingOpener SiblingsReportingTo(VelSyncBaseOutput* output);
    // A sibling opened at once (null when none can be made).
    std::unique_ptr<VelStorageDevice> OpenSibling();
    // True when folders listed ahead of the engine's walk, on siblings, save it
    // time: each listing waits on a far server. Base: false.
    virtual bool GainsFromListingAhead();
    // GetLocalCopy of a file as the engine's listing showed it, so that a device
    // which can tell a copy cut short checks it against the listed size even
    // where it did not list the folder itself (a sibling). Base: GetLocalCopy.
    virtual std::string GetLocalCopyOf(const std::string& folder, const VelDirectoryEntry& listed);
};
