#pragma once
// The entries of one folder in the order the device listed them, with a name
// index built on demand for lookups that ignore letter case.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "storage/DirectoryEntry.h"

class VelDirectoryList {
public:
    VelDirectoryList() = default;
    VelDirectoryList(const VelDirectoryList&) = delete;
    VelDirectoryList& operator=(const VelDirectoryList&) = delete;

    // The local folder's entries matching mask (empty: all; one name: at most
    // that entry; "*" and "?" wildcards), "." and ".." included, in the order the
    // file system keeps them. Never null.
    // The thread's last error code afterwards tells a complete listing from a
    // failed one:
    //   ErrorCode::NoMoreFiles: the folder was read to its end, whatever the count,
    //      also when a mask matched nothing (a one-name mask that names nothing
    //      gives NoMoreFiles too, never FileNotFound);
    //   anything else: the folder could not be listed and the list is empty or
    //      holds what was read before the failure: PathNotFound (the folder or a part of its
    //      path does not exist), DirectoryInvalid (it is not a folder), AccessDenied,
    //      FilenameExcedRange (name too long), ...
    static std::unique_ptr<VelDirectoryList> CreateFromFolder(const std::string& folder,
                                                              const std::string& mask);

    int Count() const { return int(Entries.size()); }
    // 1-based position, 1 <= i <= Count().
    VelDirectoryEntry* EntryAt(int i) const { return Entries[size_t(i - 1)].get(); }
    void Add(std::unique_ptr<VelDirectoryEntry> entry);
    // Destroys the entry at 1-based position i; the name index is discarded.
    void Delete(int i);

    // The device listed entries that it could not hand on (a server's name that is
    // no single plain name, for example): the list is not the folder's whole
    // contents, so nothing may be deleted on the strength of it.
    void MarkEntriesLeftOut() { EntriesLeftOut = true; }
    bool HasEntriesLeftOut() const { return EntriesLeftOut; }

    // exact: the first entry whose name equals `name` byte for byte; otherwise the
    // entry the case-ignoring index comparison finds equal. nullptr when none.
    VelDirectoryEntry* FindByName(const std::string& name, bool exact);
    // As FindByName ignoring case, with the number of index keys byte-equal to
    // the lowered name (0 when there is none).
    std::pair<VelDirectoryEntry*, int> FindCountingDuplicates(const std::string& name);

private:
    void EnsureNameIndex();
    size_t FirstEqualKey(const std::string& loweredName) const;

    std::vector<std::unique_ptr<VelDirectoryEntry>> Entries;
    // (lowered name, entry), sorted by the case-ignoring comparison; valid while it
    // holds as many pairs as there are entries.
    std::vector<std::pair<std::string, VelDirectoryEntry*>> NameIndex;
    bool HasNameIndex = false;
    bool EntriesLeftOut = false;
};
