#include "sync/FileSpecs.h"

#include "sync/Wildcard.h"

namespace {

bool AnyMatches(const std::string& path, const StringList& specs, bool ignoreCase) {
    return !specs.empty() && FindMatchingSpec(path, specs, ignoreCase) >= 0;
}

}  // namespace

bool VelFileSpecs::IsMoveFile(const std::string& path, bool ignoreCase) const {
    return AnyMatches(path, Options.MoveSpecs, ignoreCase);
}

bool VelFileSpecs::IsExcludedFile(const std::string& path, bool ignoreCase) const {
    return AnyMatches(path, Options.ExcludeFileSpecs, ignoreCase);
}

bool VelFileSpecs::IsExcludedFolder(const std::string& path, bool ignoreCase) const {
    return AnyMatches(path, Options.ExcludeFolderSpecs, ignoreCase);
}

bool VelFileSpecs::IsIgnoredFile(const std::string& path, bool ignoreCase) const {
    return AnyMatches(path, Options.IgnoreFileSpecs, ignoreCase);
}

bool VelFileSpecs::IsIgnoredFolder(const std::string& path, bool ignoreCase) const {
    return AnyMatches(path, Options.IgnoreFolderSpecs, ignoreCase);
}

bool VelFileSpecs::IsTextFile(const std::string& name) const {
    return AnyMatches(name, Options.TextFileSpecs, true);
}

bool VelFileSpecs::IsFileToCopy(const std::string& path, bool ignoreCase) const {
    if (!Options.CopySpecs.empty() && !AnyMatches(path, Options.CopySpecs, ignoreCase) &&
        !IsMoveFile(path, ignoreCase))
        return false;
    if (IsExcludedFile(path, ignoreCase)) return false;
    return !IsIgnoredFile(path, ignoreCase);
}

bool VelFileSpecs::IsFolderToCopy(const std::string& path, bool ignoreCase) const {
    return !IsExcludedFolder(path, ignoreCase) && !IsIgnoredFolder(path, ignoreCase);
}
