#include "platform/NetworkShares.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"

namespace platform {

namespace {

// A mount table writes blanks, tabs, new lines and backslashes in its fields as
// three octal digits after a backslash.
std::string DecodeField(const std::string& field) {
    std::string decoded;
    for (size_t i = 0; i < field.size(); ++i) {
        bool escaped = field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
                       field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
                       field[i + 3] >= '0' && field[i + 3] <= '7';
        if (escaped) {
            decoded +=
                char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + field[i + 3] - '0');
            i += 3;
        } else {
            decoded += field[i];
        }
    }
    return decoded;
}

std::vector<std::string> SplitComponents(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(path);
    while (std::getline(stream, part, '/')) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] + 32) : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? char(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

// The server and path components of a mount source, or false when the mount is
// not a network share of a kind we know.
bool ShareComponents(const std::string& source, const std::string& type,
                     std::vector<std::string>& components, bool& pathIgnoresCase) {
    if (type == "cifs" || type == "smb3" || type == "smbfs") {
        std::string path = source;
        for (char& c : path) c = c == '\\' ? '/' : c;
        if (path.rfind("//", 0) != 0) return false;
        components = SplitComponents(path);
        pathIgnoresCase = true;
        return !components.empty();
    }
    if (type == "nfs" || type == "nfs4") {
        size_t colon = source.find(":/");
        if (colon == std::string::npos || colon == 0) return false;
        components = SplitComponents(source.substr(colon + 1));
        components.insert(components.begin(), source.substr(0, colon));
        pathIgnoresCase = false;
        return true;
    }
    return false;
}

// The byte length of the first `count` components of a //server/... location.
size_t PrefixLength(const std::string& location, size_t count) {
    size_t position = 0;
    while (position < location.size() && location[position] == '/') ++position;
    for (size_t done = 0; done < count; ++done) {
        size_t end = location.find('/', position);
        position = end == std::string::npos ? location.size() : end;
        if (done + 1 < count) {
            while (position < location.size() && location[position] == '/') ++position;
        }
    }
    return position;
}

// How many components of the location the mount covers, 0 when it covers none.
size_t Coverage(const std::vector<std::string>& wanted, const std::vector<std::string>& mount,
                bool pathIgnoresCase) {
    if (mount.size() > wanted.size()) return 0;
    if (!EqualIgnoringAsciiCase(mount[0], wanted[0])) return 0;
    for (size_t i = 1; i < mount.size(); ++i) {
        bool same =
            pathIgnoresCase ? EqualIgnoringAsciiCase(mount[i], wanted[i]) : mount[i] == wanted[i];
        if (!same) return 0;
    }
    return mount.size();
}

}  // namespace

std::string DefaultMountTable() {
    return "/proc/self/mounts";
}

bool FindShareMount(const std::string& location, const std::string& mountTable, ShareMount& mount) {
    SetLastErrorCode(ErrorCode::BadNetPath);
    std::vector<std::string> wanted = SplitComponents(location);
    std::ifstream table(mountTable);
    if (location.rfind("//", 0) != 0 || wanted.empty() || !table) return false;
    size_t best = 0;
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string source, target, type;
        if (!(fields >> source >> target >> type)) continue;
        std::vector<std::string> components;
        bool pathIgnoresCase = false;
        if (!ShareComponents(DecodeField(source), type, components, pathIgnoresCase)) continue;
        size_t covered = Coverage(wanted, components, pathIgnoresCase);
        if (covered == 0 || covered < best) continue;
        best = covered;
        mount.Prefix = location.substr(0, PrefixLength(location, covered));
        mount.MountPoint = DecodeField(target);
    }
    if (best == 0) return false;
    SetLastErrorCode(ErrorCode::Success);
    return true;
}

}  // namespace platform
