#include "sync/SyncPaths.h"

#include "common/StringUtils.h"
#include "platform/Paths.h"

std::string NormaliseRoot(const std::string& location) {
    std::string root = location;
    if (platform::PathSeparator == '\\') {
        for (char& c : root)
            if (c == '/') c = '\\';
    }
    if (root.size() > 1 && root.back() == platform::PathSeparator) root.pop_back();
    return root;
}

std::string FolderPath(const std::string& root, const std::string& relativePath) {
    if (!relativePath.empty() && !root.empty() && root.back() == platform::PathSeparator)
        return root + relativePath.substr(1);
    return root + relativePath;
}

std::string ChildPath(const std::string& relativePath, const std::string& name) {
    return relativePath + platform::PathSeparator + name;
}

bool IsUsableName(const std::string& name, bool isFolder) {
    if (name.empty()) return false;
    for (char c : name) {
        if (c == '\0' || c == '/' || c == platform::PathSeparator) return false;
    }
    if (name == "." || name == "..") return isFolder;
    return true;
}

std::string FittedName(const std::string& head, const std::string& name) {
    if (head.size() + name.size() <= platform::MaxNameLength) return head + name;
    size_t keep = head.size() < platform::MaxNameLength ? platform::MaxNameLength - head.size() : 0;
    // Back off over UTF-8 continuation bytes, so that no character is split.
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    return head + name.substr(0, keep);
}

std::string PrintableName(const std::string& name) {
    return ShowControlCharacters(name);
}
