#pragma once
// Where a network share named //server/share/... is reached on this machine.

#include <string>

namespace platform {

// A mounted share: paths that begin with Prefix (a leading part of the location
// as it was given) are reached by putting MountPoint in its place.
struct ShareMount {
    std::string Prefix;
    std::string MountPoint;
};

// The default mount table of this system.
std::string DefaultMountTable();

// Looks up the share that `location` (//server/share[/folder...]) names in the mount
// table file `mountTable`: a CIFS/SMB mount whose source is //server/share (or a deeper
// //server/share/folder), or an NFS mount server:/path. Server and CIFS share names
// compare without regard to ASCII case, NFS paths exactly; the mount that covers the
// most components of the location wins, and among equals the one mounted last. False
// with ErrorCode::BadNetPath when no mount covers the location or the table cannot be
// read.
bool FindShareMount(const std::string& location, const std::string& mountTable, ShareMount& mount);

// Makes the share that `location` names reachable; `shareRoot` is its first two
// components (//server/share on POSIX, \\server\share on Windows). On success
// `mount` says how the paths of that side are reached: an empty Prefix means as
// they stand, otherwise paths that begin with Prefix through MountPoint.
//   POSIX: a mount of the share in `mountTable` (FindShareMount), else a share
//          root that is reachable as a path; the user name and password are not
//          used (the program does not mount shares itself).
//   Windows: a share root that is reachable needs nothing; otherwise the share is
//          connected (WNetAddConnection2) with the user name and password, not
//          remembered in the user's profile.
// False with the reason as the thread's last error (BadNetPath when the share cannot be
// found, LogonFailure when the logon is refused, ...).
bool ConnectShare(const std::string& location, const std::string& shareRoot,
                  const std::string& userName, const std::string& password,
                  const std::string& mountTable, ShareMount& mount);

}  // namespace platform
