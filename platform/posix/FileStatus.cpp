#include "platform/posix/FileStatus.h"

#include "platform/posix/PosixTimes.h"

namespace platform::posix {

uint32_t AttributesOf(const struct stat& info, const std::string& name, bool isLink) {
    uint32_t attributes = 0;
    if (S_ISDIR(info.st_mode)) attributes |= Attribute::Directory;
    if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) attributes |= Attribute::Device;
    if ((info.st_mode & S_IWUSR) == 0) attributes |= Attribute::ReadOnly;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") {
        attributes |= Attribute::Hidden;
    }
    if (isLink) attributes |= Attribute::ReparsePoint;
    return attributes == 0 ? Attribute::Normal : attributes;
}

void FillFindData(const struct stat& info, bool isLink, FindData& record) {
    record.Attributes = AttributesOf(info, record.Name, isLink);
    uint64_t size = S_ISDIR(info.st_mode) ? 0 : uint64_t(info.st_size);
    record.SizeHigh = uint32_t(size >> 32);
    record.SizeLow = uint32_t(size & 0xFFFFFFFFu);
    record.LastWriteTime = FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    record.LastAccessTime = FileTimeFromUnix(info.st_atim.tv_sec, info.st_atim.tv_nsec);
    record.CreationTime = FileTimeFromUnix(info.st_ctim.tv_sec, info.st_ctim.tv_nsec);
}

bool IsReadOnlyFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

}  // namespace platform::posix
