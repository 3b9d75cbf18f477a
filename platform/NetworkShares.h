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

// Looks up the share that `location` (//server/share[/folder...]) names in the
// mount table file `mountTable`: a CIFS/SMB mount whose source is //server/share
// (or a deeper //server/share/folder), or an NFS mount server:/path. Server and
// CIFS share names compare without regard to ASCII case, NFS paths exactly; the
// mount that covers the most components of the location wins, and among equals
// the one mounted last. False with 53 (network path not found) when no mount
// covers the location or the table cannot be read.
bool FindShareMount(const std::string& location, const std::string& mountTable, ShareMount& mount);

}  // namespace platform
