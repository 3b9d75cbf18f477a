#include "platform/FolderEnumeration.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>
#include <thread>
#include <vector>

#include "common/ErrorCodes.h"
#include "common/NameMask.h"
#include "platform/LastError.h"
#include "platform/posix/ErrnoMapping.h"
#include "platform/posix/FileStatus.h"

namespace platform {

namespace {

bool HasWildcard(const std::string& mask) {
    return mask.find_first_of("*?") != std::string::npos;
}

// Opens the folder for enumeration; -1 (last error set) when it cannot be.
int OpenFolder(const std::string& folder) {
    int fd = open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) posix::SetLastErrorFromErrno(errno, posix::ErrnoSubject::Folder);
    return fd;
}

// The record of one entry of the open folder. d_type, when the file system
// fills it in, tells a link apart without a second status call.
// The record must already carry the entry's name (the hidden bit is read off it).
// False, with errno set, when the entry cannot be examined (ENOENT: it has
// vanished since the folder was read).
bool StatInto(int folderFd, const char* name, unsigned char type, FindData& record) {
    struct stat info;
    bool isLink = type == DT_LNK;
    if (type == DT_UNKNOWN) {
        if (fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
        isLink = S_ISLNK(info.st_mode);
        if (!isLink) {
            posix::FillFindData(info, false, record);
            return true;
        }
    }
    if (fstatat(folderFd, name, &info, 0) != 0) {
        // A dangling link is listed as the link itself.
        if (!isLink || fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    }
    posix::FillFindData(info, isLink, record);
    return true;
}

bool StatEntry(int folderFd, const char* name, unsigned char type, FindData& record) {
    record.Name = name;
    return StatInto(folderFd, name, type, record);
}

struct NamedEntry {
    std::string Name;
    unsigned char Type;
};

// Below this many entries a second thread costs more than it saves.
constexpr size_t ParallelStatThreshold = 128;

// Fills one record per entry, in order, moving each name into its record; the
// result holds per entry 0 where it was examined, or the errno of its status
// call. The status calls dominate a listing, so a large folder splits them over
// two threads: the first half here, the second half on a helper thread.
std::vector<int> StatEntries(int folderFd, std::vector<NamedEntry>& entries,
                             std::vector<FindData>& records) {
    records.resize(entries.size());
    std::vector<int> errors(entries.size(), 0);
    auto statRange = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            records[i].Name = std::move(entries[i].Name);
            if (!StatInto(folderFd, records[i].Name.c_str(), entries[i].Type, records[i]))
                errors[i] = errno;
        }
    };
    size_t half = entries.size() / 2;
    if (entries.size() < ParallelStatThreshold) {
        statRange(0, entries.size());
        return errors;
    }
    std::thread helper;
    try {
        helper = std::thread(statRange, half, entries.size());
    } catch (const std::system_error&) {
        statRange(0, entries.size());  // no thread to be had: do it all here
        return errors;
    }
    statRange(0, half);
    helper.join();
    return errors;
}

bool ListAll(int folderFd, const std::string& mask,
             const std::function<void(const FindData&)>& onRecord) {
    DIR* folder = fdopendir(folderFd);
    if (folder == nullptr) {
        posix::SetLastErrorFromErrno(errno, posix::ErrnoSubject::Folder);
        close(folderFd);
        return false;
    }
    bool everything = mask.empty() || mask == "*" || mask == "*.*";
    std::vector<NamedEntry> entries;
    int failure = 0;
    for (;;) {
        errno = 0;
        struct dirent* entry = readdir(folder);
        if (entry == nullptr) {
            failure = errno;
            break;
        }
        if (!everything && !MatchesFindMask(entry->d_name, mask)) continue;
        entries.push_back({entry->d_name, entry->d_type});
    }
    std::vector<FindData> records;
    std::vector<int> errors = StatEntries(dirfd(folder), entries, records);
    closedir(folder);
    for (size_t i = 0; i < records.size(); ++i) {
        if (errors[i] == 0) {
            onRecord(records[i]);
        } else if (errors[i] != ENOENT && failure == 0) {
            // Only an entry that vanished since the folder was read may be left
            // out: one that could not be examined makes the listing incomplete,
            // and a caller must not take what it did not see for gone.
            failure = errors[i];
        }
    }
    if (failure != 0) {
        posix::SetLastErrorFromErrno(failure, posix::ErrnoSubject::Folder);
        return false;
    }
    SetLastErrorCode(ErrorCode::NoMoreFiles);
    return true;
}

}  // namespace

bool MatchesFindMask(const std::string& name, const std::string& mask) {
    return MatchesNameMask(name, mask, NameMaskRules{false, true});
}

bool FindFiles(const std::string& pattern, const std::function<void(const FindData&)>& onRecord) {
    size_t cut = pattern.find_last_of('/');
    std::string folder = cut == std::string::npos ? "." : pattern.substr(0, cut);
    std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    int folderFd = OpenFolder(folder);
    if (folderFd < 0) return false;
    if (mask.empty() || HasWildcard(mask)) return ListAll(folderFd, mask, onRecord);

    // One name: look it up directly instead of reading the whole folder.
    FindData record;
    bool found = StatEntry(folderFd, mask.c_str(), DT_UNKNOWN, record);
    int failure = found ? 0 : errno;
    close(folderFd);
    if (found) onRecord(record);
    if (failure != 0 && failure != ENOENT) {
        posix::SetLastErrorFromErrno(failure, posix::ErrnoSubject::File);
        return false;
    }
    SetLastErrorCode(ErrorCode::NoMoreFiles);
    return true;
}

}  // namespace platform
