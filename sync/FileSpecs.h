#pragma once
// The questions the engine asks the pattern lists of the options record:
// is this file or folder to be copied, moved, excluded or left alone. Paths are
// relative paths (beginning with the separator) unless a method says otherwise.
// A test over an empty list is false at once. The object borrows the options.

#include <string>

#include "common/SyncFlags.h"

class VelFileSpecs {
public:
    explicit VelFileSpecs(const VelSyncFlags& options) : Options(options) {}

    bool IsMoveFile(const std::string& path, bool ignoreCase) const;
    bool IsExcludedFile(const std::string& path, bool ignoreCase) const;
    bool IsExcludedFolder(const std::string& path, bool ignoreCase) const;
    // Also asked with a full destination path when pending deletions are worked off.
    bool IsIgnoredFile(const std::string& path, bool ignoreCase) const;
    bool IsIgnoredFolder(const std::string& path, bool ignoreCase) const;
    // The bare name against the text-file specs, always ignoring case.
    bool IsTextFile(const std::string& name) const;
    // With copy specs, the path must match a copy or a move spec; then it must
    // match no exclude file spec and no ignore file spec.
    bool IsFileToCopy(const std::string& path, bool ignoreCase) const;
    // Neither excluded nor ignored as a folder.
    bool IsFolderToCopy(const std::string& path, bool ignoreCase) const;

private:
    const VelSyncFlags& Options;
};
