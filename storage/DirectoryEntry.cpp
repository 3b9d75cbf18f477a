#include "storage/DirectoryEntry.h"

#include <algorithm>

#include "common/DateTime.h"
#include "platform/FileTimes.h"

namespace {

constexpr size_t MaxListedNameLength = 260;

}  // namespace

std::unique_ptr<VelDirectoryEntry> VelDirectoryEntry::CreateFromFindData(
    const platform::FindData& record) {
    auto entry = std::make_unique<VelDirectoryEntry>();
    size_t length = record.Name.find('\0');
    if (length == std::string::npos) length = record.Name.size();
    entry->Name = record.Name.substr(0, std::min(length, MaxListedNameLength));
    entry->SizeHigh = record.SizeHigh;
    entry->SizeLow = record.SizeLow;
    entry->Size = int64_t((uint64_t(record.SizeHigh) << 32) | record.SizeLow);
    entry->Attributes = record.Attributes;
    const FileTime& time =
        record.LastWriteTime.IsZero() ? record.CreationTime : record.LastWriteTime;
    entry->ModifiedTime = FileTimeToLocalDateTime(time);
    entry->ListedTime = entry->ModifiedTime;
    entry->DateOnly = false;
    return entry;
}

void VelDirectoryEntry::Clear() {
    Attributes = 0;
    ModifiedTime = 0;
    ListedTime = 0;
    DateOnly = false;
    TimeResolution = 0;
    SizeHigh = 0;
    SizeLow = 0;
    Size = 0;
    Name.clear();
}

bool VelDirectoryEntry::IsDirectory() const {
    return Attributes & platform::Attribute::Directory;
}
bool VelDirectoryEntry::IsReadOnly() const {
    return Attributes & platform::Attribute::ReadOnly;
}
bool VelDirectoryEntry::IsHidden() const {
    return Attributes & platform::Attribute::Hidden;
}
bool VelDirectoryEntry::IsSpecialFile() const {
    return Attributes & platform::Attribute::Device;
}

namespace {

void SetBit(uint32_t& attributes, uint32_t bit, bool flag) {
    attributes = flag ? (attributes | bit) : (attributes & ~bit);
}

}  // namespace

void VelDirectoryEntry::SetDirectoryFlag(bool flag) {
    SetBit(Attributes, platform::Attribute::Directory, flag);
}
void VelDirectoryEntry::SetReadOnlyFlag(bool flag) {
    SetBit(Attributes, platform::Attribute::ReadOnly, flag);
}
void VelDirectoryEntry::SetHiddenFlag(bool flag) {
    SetBit(Attributes, platform::Attribute::Hidden, flag);
}

bool VelDirectoryEntry::IsDotEntry() const {
    return Name == "." || Name == "..";
}

double FileTimeToDateTime(const FileTime& fileTime) {
    CalendarTime calendar;
    // A time the calendar cannot hold reads as the date-time zero, never garbage.
    if (!platform::FileTimeToCalendar(fileTime, calendar)) return 0;
    return EncodeDateTime(calendar);
}

double FileTimeToLocalDateTime(const FileTime& fileTime) {
    FileTime local;
    if (!platform::FileTimeToLocalFileTime(fileTime, local)) return 0;
    return FileTimeToDateTime(local);
}
