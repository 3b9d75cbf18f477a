#pragma once
// A folder for a run's own temporary files, that other users of the machine can
// neither read nor enter, and its removal with everything in it.

#include <string>

namespace platform {

// Makes a new, uniquely named folder under the system's temporary folder whose
// name begins with namePrefix, open to the current user only. path receives its
// full path without a trailing separator. false (the reason as the last error)
// when it cannot be made.
bool MakePrivateFolder(const std::string& namePrefix, std::string& path);

// Removes the folder and everything in it. Links inside are removed themselves,
// never followed. false (the reason as the last error) when something remains.
bool RemoveFolderTree(const std::string& path);

}  // namespace platform
