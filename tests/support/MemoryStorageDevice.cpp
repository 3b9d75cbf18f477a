#include "tests/support/MemoryStorageDevice.h"

#include <algorithm>

#include "common/ErrorCodes.h"
#include "common/StringUtils.h"
#include "platform/FindData.h"
#include "platform/LastError.h"
#include "platform/Paths.h"

namespace {

// Local copies in flight, shared by every device: token -> the file's node.
std::map<std::string, MemoryNode>& LocalCopyRegistry() {
    static std::map<std::string, MemoryNode> registry;
    return registry;
}

int NextLocalCopy = 0;

std::string ParentOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "" : path.substr(0, slash);
}

std::string LastComponent(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The engine forms paths with the platform's separator; the device keeps and
// reports them with "/", so that one set of expectations serves every build.
std::string Slashed(std::string path) {
    for (char& c : path)
        if (c == platform::PathSeparator) c = '/';
    return path;
}

bool Fail(uint32_t code) {
    platform::SetLastErrorCode(code);
    return false;
}

}  // namespace

std::string MemoryStorageDevice::Join(const std::string& folder, const std::string& name) {
    if (!name.empty() && name[0] == '/') return folder + name;  // a relative path
    return folder + "/" + name;
}

std::string MemoryStorageDevice::Key(const std::string& path) const {
    std::string key = path;
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    if (key == "/") key.clear();
    return TreeIgnoresCase ? LowerAscii(key) : key;
}

void MemoryStorageDevice::AddFolder(const std::string& path, double time) {
    std::string key = Key(path);
    if (key.empty()) return;
    AddFolder(ParentOf(path), time);
    if (Nodes.count(key)) return;
    MemoryNode node;
    node.Name = LastComponent(path);
    node.Folder = true;
    node.Time = time;
    Nodes[key] = node;
}

MemoryNode& MemoryStorageDevice::AddFile(const std::string& path, double time, int64_t size,
                                         uint32_t attributes) {
    AddFolder(ParentOf(path));
    MemoryNode& node = Nodes[Key(path)];
    node = MemoryNode{};
    node.Name = LastComponent(path);
    node.Time = time;
    node.SizeHigh = uint32_t(uint64_t(size) >> 32);
    node.SizeLow = uint32_t(uint64_t(size) & 0xFFFFFFFFu);
    node.Attributes = attributes;
    return node;
}

void MemoryStorageDevice::AddLink(const std::string& path, const std::string& target) {
    AddFolder(ParentOf(path));
    MemoryNode node;
    node.Name = LastComponent(path);
    node.LinkTarget = target;
    Nodes[Key(path)] = node;
}

void MemoryStorageDevice::AddListedEntry(const std::string& folder, const MemoryNode& node) {
    ListedExtras[Key(folder)].push_back(node);
}

bool MemoryStorageDevice::Exists(const std::string& path) const {
    return Nodes.count(Key(path)) > 0;
}

MemoryNode* MemoryStorageDevice::Find(const std::string& path) {
    auto found = Nodes.find(Key(path));
    return found == Nodes.end() ? nullptr : &found->second;
}

std::vector<std::string> MemoryStorageDevice::PathsBelow(const std::string& folder) const {
    std::vector<std::string> paths;
    const std::string prefix = Key(folder) + "/";
    for (const auto& [key, node] : Nodes)
        if (key.compare(0, prefix.size(), prefix) == 0) paths.push_back(key);
    return paths;
}

void MemoryStorageDevice::FailOn(const std::string& operation, const std::string& pathPart,
                                 uint32_t code) {
    Failures.push_back({operation, pathPart, code});
}

void MemoryStorageDevice::FailAtCall(int n, uint32_t code) {
    FailingCalls[n] = code;
}

std::vector<std::string> MemoryStorageDevice::CallsOf(const std::string& operation) const {
    std::vector<std::string> found;
    for (const std::string& call : Calls)
        if (call == operation || call.compare(0, operation.size() + 1, operation + " ") == 0)
            found.push_back(call);
    return found;
}

int MemoryStorageDevice::OutstandingLocalCopies() const {
    return int(LocalCopies.size());
}

bool MemoryStorageDevice::Fails(const std::string& operation, const std::string& pathText) {
    Calls.push_back(pathText.empty() ? operation : operation + " " + pathText);
    auto failing = FailingCalls.find(int(Calls.size()));
    if (failing != FailingCalls.end()) return !Fail(failing->second);
    for (const Failure& failure : Failures) {
        if (failure.Operation == operation && pathText.find(failure.PathPart) != std::string::npos)
            return !Fail(failure.Code);
    }
    return false;
}

std::string MemoryStorageDevice::Resolve(const std::string& path, int depth) const {
    if (depth > 16) return {};
    std::string resolved;
    std::string rest = Key(path);
    size_t start = 1;
    while (start <= rest.size() && !rest.empty()) {
        size_t slash = rest.find('/', start);
        std::string component =
            rest.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        resolved += "/" + component;
        auto found = Nodes.find(resolved);
        if (found != Nodes.end() && !found->second.LinkTarget.empty()) {
            resolved = Resolve(found->second.LinkTarget, depth + 1);
            if (resolved.empty()) return {};
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return resolved;
}

const MemoryNode* MemoryStorageDevice::Target(const MemoryNode& node) const {
    if (node.LinkTarget.empty()) return &node;
    auto found = Nodes.find(Resolve(node.LinkTarget));
    return found == Nodes.end() ? nullptr : &found->second;
}

bool MemoryStorageDevice::IsFolderKey(const std::string& key) const {
    if (key.empty()) return true;
    auto found = Nodes.find(key);
    return found != Nodes.end() && found->second.Folder;
}

bool MemoryStorageDevice::HasChildren(const std::string& key) const {
    const std::string prefix = key + "/";
    auto next = Nodes.lower_bound(prefix);
    return next != Nodes.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

std::unique_ptr<VelDirectoryEntry> MemoryStorageDevice::EntryFor(const MemoryNode& node) const {
    const MemoryNode* target = Target(node);
    const MemoryNode& shown = target != nullptr ? *target : node;
    auto entry = std::make_unique<VelDirectoryEntry>();
    entry->Name = node.Name;
    entry->Attributes = shown.Attributes;
    if (shown.Folder) entry->Attributes |= platform::Attribute::Directory;
    if (!node.LinkTarget.empty()) entry->Attributes |= platform::Attribute::ReparsePoint;
    entry->ModifiedTime = entry->ListedTime = shown.Time;
    entry->SizeHigh = shown.SizeHigh;
    entry->SizeLow = shown.SizeLow;
    entry->Size = int64_t((uint64_t(shown.SizeHigh) << 32) | shown.SizeLow);
    entry->DateOnly = shown.DateOnly;
    return entry;
}

NameCase MemoryStorageDevice::NameCaseMode() {
    Fails("NameCaseMode", "");
    return CaseMode;
}

bool MemoryStorageDevice::SupportsTextMode() {
    Fails("SupportsTextMode", "");
    return TextMode;
}

bool MemoryStorageDevice::Chmod(const std::string& folderGiven, const std::string& nameGiven,
                                const std::string& mode) {
    const std::string folder = Slashed(folderGiven);
    const std::string name = Slashed(nameGiven);
    return !Fails("Chmod", Join(folder, name) + " " + mode);
}

bool MemoryStorageDevice::Connect(const std::string& location, const std::string&,
                                  const std::string&, const std::string&) {
    return !Fails("Connect", location);
}

bool MemoryStorageDevice::PutFile(const std::string& localPathGiven, const std::string& folderGiven,
                                  const std::string& nameGiven, bool binary) {
    const std::string localPath = Slashed(localPathGiven);
    const std::string folder = Slashed(folderGiven);
    const std::string name = Slashed(nameGiven);
    const std::string path = Join(folder, name);
    if (Fails("PutFile", path + (binary ? "" : " text"))) return false;
    auto copy = LocalCopyRegistry().find(localPath);
    if (copy == LocalCopyRegistry().end()) return Fail(ErrorCode::FileNotFound);
    const std::string parent = Resolve(folder);
    if (!IsFolderKey(parent)) return Fail(ErrorCode::PathNotFound);
    const std::string key = parent + "/" + Key("/" + name).substr(1);
    auto existing = Nodes.find(key);
    if (existing != Nodes.end()) {
        if (existing->second.Folder) return Fail(ErrorCode::AccessDenied);
        if (existing->second.Attributes & platform::Attribute::ReadOnly)
            return Fail(ErrorCode::AccessDenied);
    }
    MemoryNode node = copy->second;
    node.Name = existing != Nodes.end() ? existing->second.Name : name;
    if (!KeepsDate) node.Time = Clock;
    Nodes[key] = node;
    return true;
}

bool MemoryStorageDevice::CreateFolder(const std::string& pathGiven) {
    const std::string path = Slashed(pathGiven);
    if (Fails("CreateFolder", path)) return false;
    if (!IsFolderKey(Resolve(ParentOf(path)))) return Fail(ErrorCode::PathNotFound);
    if (Nodes.count(Key(path))) return Fail(ErrorCode::AlreadyExists);
    MemoryNode node;
    node.Name = LastComponent(path);
    node.Folder = true;
    node.Time = Clock;
    Nodes[Key(path)] = node;
    return true;
}

bool MemoryStorageDevice::DeleteFile(const std::string& folderGiven, const std::string& nameGiven,
                                     bool) {
    const std::string folder = Slashed(folderGiven);
    const std::string name = Slashed(nameGiven);
    const std::string path = Join(folder, name);
    if (Fails("DeleteFile", path)) return false;
    auto found =
        Nodes.find(Resolve(ParentOf(path)) + "/" + Key("/" + LastComponent(path)).substr(1));
    if (found == Nodes.end()) return Fail(ErrorCode::FileNotFound);
    if (found->second.LinkTarget.empty()) {
        if (found->second.Folder) return Fail(ErrorCode::AccessDenied);
        if (found->second.Attributes & platform::Attribute::ReadOnly)
            return Fail(ErrorCode::AccessDenied);
    }
    Nodes.erase(found);
    return true;
}

bool MemoryStorageDevice::RemoveFolder(const std::string& pathGiven) {
    const std::string path = Slashed(pathGiven);
    if (Fails("RemoveFolder", path)) return false;
    auto found =
        Nodes.find(Resolve(ParentOf(path)) + "/" + Key("/" + LastComponent(path)).substr(1));
    if (found == Nodes.end()) return Fail(ErrorCode::PathNotFound);
    if (found->second.LinkTarget.empty()) {
        if (!found->second.Folder) return Fail(ErrorCode::DirectoryInvalid);
        if (HasChildren(found->first)) return Fail(ErrorCode::DirNotEmpty);
    }
    Nodes.erase(found);
    return true;
}

bool MemoryStorageDevice::LocalCopyKeepsDate() {
    Fails("LocalCopyKeepsDate", "");
    return KeepsDate;
}

bool MemoryStorageDevice::SupportsChmod() {
    Fails("SupportsChmod", "");
    return CanChmod;
}

bool MemoryStorageDevice::FolderExists(const std::string& pathGiven) {
    const std::string path = Slashed(pathGiven);
    if (Fails("FolderExists", path)) return false;
    const std::string key = Resolve(path);
    return (!key.empty() || Key(path).empty()) && IsFolderKey(key);
}

void MemoryStorageDevice::ReleaseLocalCopy(const std::string& localPathGiven) {
    const std::string localPath = Slashed(localPathGiven);
    Fails("ReleaseLocalCopy", localPath);
    auto held = std::find(LocalCopies.begin(), LocalCopies.end(), localPath);
    if (held == LocalCopies.end()) return;
    LocalCopies.erase(held);
    LocalCopyRegistry().erase(localPath);
}

std::string MemoryStorageDevice::GetLocalCopy(const std::string& folderGiven,
                                              const std::string& nameGiven) {
    const std::string folder = Slashed(folderGiven);
    const std::string name = Slashed(nameGiven);
    const std::string path = Join(folder, name);
    if (Fails("GetLocalCopy", path)) return {};
    auto found = Nodes.find(Resolve(path));
    if (found == Nodes.end() || found->second.Folder) {
        Fail(ErrorCode::FileNotFound);
        return {};
    }
    const std::string token = "mem:" + std::to_string(++NextLocalCopy);
    LocalCopyRegistry()[token] = found->second;
    LocalCopies.push_back(token);
    return token;
}

std::unique_ptr<VelDirectoryList> MemoryStorageDevice::ListFolder(const std::string& folderGiven,
                                                                  const std::string& mask, bool) {
    const std::string folder = Slashed(folderGiven);
    auto list = std::make_unique<VelDirectoryList>();
    if (Fails("ListFolder", mask.empty() ? folder : Join(folder, mask))) return list;
    const std::string key = Resolve(folder);
    if ((key.empty() && !Key(folder).empty()) || !IsFolderKey(key)) {
        Fail(ErrorCode::PathNotFound);
        return list;
    }
    if (ListsDotEntries && mask.empty()) {
        for (const char* dots : {".", ".."}) {
            MemoryNode node;
            node.Name = dots;
            node.Folder = true;
            list->Add(EntryFor(node));
        }
    }
    const std::string prefix = key + "/";
    const std::string wanted = mask.empty() ? "" : Key("/" + mask).substr(1);
    for (auto it = Nodes.lower_bound(prefix);
         it != Nodes.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        const std::string rest = it->first.substr(prefix.size());
        if (rest.find('/') != std::string::npos) continue;
        if (!wanted.empty() && rest != wanted) continue;
        list->Add(EntryFor(it->second));
    }
    if (mask.empty()) {
        for (const MemoryNode& extra : ListedExtras[Key(folder)]) list->Add(EntryFor(extra));
        for (const std::string& leftOut : FoldersWithEntriesLeftOut)
            if (Key(leftOut) == Key(folder)) list->MarkEntriesLeftOut();
    }
    platform::SetLastErrorCode(ErrorCode::NoMoreFiles);
    return list;
}

bool MemoryStorageDevice::RenameFile(const std::string& folderGiven,
                                     const std::string& oldNameGiven,
                                     const std::string& newNameGiven) {
    const std::string folder = Slashed(folderGiven);
    const std::string oldName = Slashed(oldNameGiven);
    const std::string newName = Slashed(newNameGiven);
    if (Fails("RenameFile", Join(folder, oldName) + " " + newName)) return false;
    const std::string parent = Resolve(folder);
    const std::string oldKey = parent + "/" + Key("/" + oldName).substr(1);
    const std::string newKey = parent + "/" + Key("/" + newName).substr(1);
    auto found = Nodes.find(oldKey);
    if (found == Nodes.end()) return Fail(ErrorCode::FileNotFound);
    if (oldKey == newKey) {
        if (RenameKeepsCase) found->second.Name = newName;
        return true;
    }
    if (Nodes.count(newKey)) return Fail(ErrorCode::AlreadyExists);
    std::map<std::string, MemoryNode> moved;
    for (auto it = Nodes.begin(); it != Nodes.end();) {
        if (it->first == oldKey || it->first.compare(0, oldKey.size() + 1, oldKey + "/") == 0) {
            moved[newKey + it->first.substr(oldKey.size())] = it->second;
            it = Nodes.erase(it);
        } else {
            ++it;
        }
    }
    moved[newKey].Name = newName;
    Nodes.insert(moved.begin(), moved.end());
    return true;
}

bool MemoryStorageDevice::SetReadOnly(const std::string& folderGiven, const std::string& nameGiven,
                                      bool readOnly, bool) {
    const std::string folder = Slashed(folderGiven);
    const std::string name = Slashed(nameGiven);
    const std::string path = Join(folder, name);
    if (Fails("SetReadOnly", path + (readOnly ? " on" : " off"))) return true;
    if (MemoryNode* node = Find(path)) {
        if (readOnly) {
            node->Attributes |= platform::Attribute::ReadOnly;
        } else {
            node->Attributes &= ~platform::Attribute::ReadOnly;
        }
    }
    return true;
}

bool MemoryStorageDevice::SetFileDate(const std::string& folderGiven, const std::string& nameGiven,
                                      double dateTime) {
    const std::string folder = Slashed(folderGiven);
    const std::string name = Slashed(nameGiven);
    const std::string path = Join(folder, name);
    if (Fails("SetFileDate", path)) return false;
    MemoryNode* node = Find(path);
    if (node == nullptr) return Fail(ErrorCode::FileNotFound);
    node->Time = dateTime;
    return true;
}

void MemoryStorageDevice::FolderFinished(const std::string& pathGiven) {
    const std::string path = Slashed(pathGiven);
    Fails("FolderFinished", path);
}

bool MemoryStorageDevice::ConfirmEmptyFolder(const std::string& path) {
    Fails("ConfirmEmptyFolder", Slashed(path));
    return ConfirmsEmptyFolders;
}

bool MemoryStorageDevice::LinkLeadsToAncestor(const std::string& pathGiven) {
    const std::string path = Slashed(pathGiven);
    Fails("LinkLeadsToAncestor", path);
    const std::string target = Resolve(path);
    const std::string parent = Resolve(ParentOf(path));
    if (target.empty()) return false;
    return parent == target || parent.compare(0, target.size() + 1, target + "/") == 0;
}
