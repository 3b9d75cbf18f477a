#include "internet/protocol/FindRecordStore.h"

#include <algorithm>
#include <cstring>

namespace ftpprotocol {

namespace {

struct Header {
    uint32_t Attributes;
    uint32_t SizeHigh;
    uint32_t SizeLow;
    uint32_t NameLength;
    uint64_t Time;
};
static_assert(sizeof(Header) == 24);

}  // namespace

void FindRecordStore::Append(const platform::FindData& record) {
    Header header{record.Attributes, record.SizeHigh, record.SizeLow, uint32_t(record.Name.size()),
                  record.LastWriteTime.Ticks()};
    Write(&header, sizeof header);
    Write(record.Name.data(), record.Name.size());
    ++Stored;
}

bool FindRecordStore::TakeNext(platform::FindData& record) {
    if (Taken == Stored) return false;
    Header header;
    Read(&header, sizeof header);
    record = platform::FindData();
    record.Attributes = header.Attributes;
    record.SizeHigh = header.SizeHigh;
    record.SizeLow = header.SizeLow;
    record.LastWriteTime = FileTime::FromTicks(header.Time);
    record.CreationTime = record.LastWriteTime;
    record.LastAccessTime = record.LastWriteTime;
    record.Name.resize(header.NameLength);
    Read(record.Name.data(), header.NameLength);
    ++Taken;
    if (Taken == Stored) {
        // Everything taken: the store starts afresh.
        Blocks.clear();
        WriteAt = BlockSize;
        ReadAt = 0;
    }
    return true;
}

void FindRecordStore::Write(const void* data, size_t size) {
    const char* from = static_cast<const char*>(data);
    while (size > 0) {
        if (WriteAt == BlockSize) {
            Blocks.push_back(std::unique_ptr<char[]>(new char[BlockSize]));
            WriteAt = 0;
        }
        size_t part = std::min(size, BlockSize - WriteAt);
        std::memcpy(Blocks.back().get() + WriteAt, from, part);
        WriteAt += part;
        from += part;
        size -= part;
    }
}

void FindRecordStore::Read(void* data, size_t size) {
    char* to = static_cast<char*>(data);
    while (size > 0) {
        if (ReadAt == BlockSize) {
            Blocks.pop_front();
            ReadAt = 0;
        }
        size_t part = std::min(size, BlockSize - ReadAt);
        std::memcpy(to, Blocks.front().get() + ReadAt, part);
        ReadAt += part;
        to += part;
        size -= part;
    }
}

}  // namespace ftpprotocol
