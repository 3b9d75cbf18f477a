#pragma once
// A storage device over an in-memory tree, for testing the engine's decisions.
// Files and folders have settable times, sizes and attributes; links can point
// anywhere in the tree; the tree can tell names apart by case or not. Every call
// is recorded as "Operation path" (path = folder, or folder/name), and chosen
// calls can be made to fail with an error code. Local copies handed out by one
// device can be stored by another (they live in a registry shared by all
// instances), so a source and a destination device can be used together.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "storage/StorageDevice.h"

struct MemoryNode {
    std::string Name;  // as listed (its letter case), without the folder
    bool Folder = false;
    uint32_t Attributes = 0;  // bits besides the folder bit (read-only, hidden...)
    double Time = 0;
    uint32_t SizeHigh = 0;
    uint32_t SizeLow = 0;
    bool DateOnly = false;
    std::string LinkTarget;  // not empty: a symbolic link to this full path
};

class MemoryStorageDevice : public VelStorageDevice {
public:
    // Tree set-up; parents are made as needed. Paths are full paths ("/src/a.txt").
    void AddFolder(const std::string& path, double time = 0);
    MemoryNode& AddFile(const std::string& path, double time, int64_t size,
                        uint32_t attributes = 0);
    void AddLink(const std::string& path, const std::string& target);
    // An extra entry that every listing of `folder` ends with; the name is used as
    // it is (it may hold a separator or a NUL).
    void AddListedEntry(const std::string& folder, const MemoryNode& node);
    // Every listing of `folder` says that the device left entries out.
    void LeaveEntriesOutOf(const std::string& folder) {
        FoldersWithEntriesLeftOut.push_back(folder);
    }

    bool Exists(const std::string& path) const;
    // The node at a path (links are not followed for the last component).
    MemoryNode* Find(const std::string& path);
    // The full paths below `folder`, sorted, links not followed.
    std::vector<std::string> PathsBelow(const std::string& folder) const;

    // Failures: every call of `operation` whose path text contains `pathPart`, or
    // the n-th recorded call (1-based), fails with `code`.
    void FailOn(const std::string& operation, const std::string& pathPart, uint32_t code);
    void FailAtCall(int n, uint32_t code);

    // The recorded calls, and those of one operation.
    std::vector<std::string> Calls;
    std::vector<std::string> CallsOf(const std::string& operation) const;
    int OutstandingLocalCopies() const;

    // Behaviour.
    NameCase CaseMode = NameCase::Sensitive;  // the answer to NameCaseMode
    bool TreeIgnoresCase = false;             // lookups ignore letter case, as on an FTP server
    bool RenameKeepsCase = true;              // a rename that changes case only is carried out
    bool TextMode = false;                    // SupportsTextMode
    bool KeepsDate = true;                    // LocalCopyKeepsDate
    bool CanChmod = false;                    // SupportsChmod
    bool ListsDotEntries = true;              // listings begin with "." and ".."
    bool ConfirmsEmptyFolders = true;         // the answer to ConfirmEmptyFolder
    double Clock = 40000;                     // the time of files written when dates are not kept

    // VelStorageDevice.
    NameCase NameCaseMode() override;
    bool SupportsTextMode() override;
    bool Chmod(const std::string& folder, const std::string& name,
               const std::string& mode) override;
    bool Connect(const std::string& location, const std::string& userName,
                 const std::string& password, const std::string& connectionName) override;
    bool PutFile(const std::string& localPath, const std::string& folder, const std::string& name,
                 bool binary) override;
    bool CreateFolder(const std::string& path) override;
    bool DeleteFile(const std::string& folder, const std::string& name,
                    bool reportFailure) override;
    bool RemoveFolder(const std::string& path) override;
    bool LocalCopyKeepsDate() override;
    bool SupportsChmod() override;
    bool FolderExists(const std::string& path) override;
    void ReleaseLocalCopy(const std::string& localPath) override;
    std::string GetLocalCopy(const std::string& folder, const std::string& name) override;
    std::unique_ptr<VelDirectoryList> ListFolder(const std::string& folder, const std::string& mask,
                                                 bool allowCached) override;
    bool RenameFile(const std::string& folder, const std::string& oldName,
                    const std::string& newName) override;
    bool SetReadOnly(const std::string& folder, const std::string& name, bool readOnly,
                     bool force) override;
    bool SetFileDate(const std::string& folder, const std::string& name, double dateTime) override;
    void FolderFinished(const std::string& path) override;
    bool LinkLeadsToAncestor(const std::string& path) override;
    bool ConfirmEmptyFolder(const std::string& path) override;

private:
    struct Failure {
        std::string Operation;
        std::string PathPart;
        uint32_t Code;
    };

    // Records the call; true (with the last error set) when it is to fail.
    bool Fails(const std::string& operation, const std::string& pathText);
    std::string Key(const std::string& path) const;
    // The key of a path with every link on the way followed; empty when a link
    // loops or leads nowhere.
    std::string Resolve(const std::string& path, int depth = 0) const;
    const MemoryNode* Target(const MemoryNode& node) const;
    bool IsFolderKey(const std::string& key) const;
    bool HasChildren(const std::string& key) const;
    std::unique_ptr<VelDirectoryEntry> EntryFor(const MemoryNode& node) const;
    static std::string Join(const std::string& folder, const std::string& name);

    std::map<std::string, MemoryNode> Nodes;  // by Key(full path)
    std::map<std::string, std::vector<MemoryNode>> ListedExtras;
    std::vector<std::string> FoldersWithEntriesLeftOut;
    std::vector<Failure> Failures;
    std::map<int, uint32_t> FailingCalls;
    std::vector<std::string> LocalCopies;  // handed out and not yet released
};
