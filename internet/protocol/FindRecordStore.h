#pragma once
// Find records kept compactly, for listings that may hold millions of entries: a
// record costs 24 bytes plus its name, packed into blocks of 64 KiB, so a stored
// listing takes about as much memory as its names and never twice that while it
// grows. Records are taken back in the order stored, and each block is freed as
// soon as everything in it has been taken.
//
// A stored record keeps Attributes, the size halves, LastWriteTime and Name;
// taken back, its CreationTime and LastAccessTime equal its LastWriteTime (a
// listing gives one time per entry).
//
// Not thread-safe: the owner guards it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "platform/FindData.h"

namespace ftpprotocol {

class FindRecordStore {
public:
    static constexpr size_t BlockSize = 64 * 1024;

    void Append(const platform::FindData& record);
    // The next record not taken yet; false when none is left.
    bool TakeNext(platform::FindData& record);
    // Records stored and not taken yet.
    size_t Count() const { return Stored - Taken; }
    // Memory the blocks hold now.
    size_t BytesHeld() const { return Blocks.size() * BlockSize; }

private:
    void Write(const void* data, size_t size);
    void Read(void* data, size_t size);

    std::deque<std::unique_ptr<char[]>> Blocks;
    size_t WriteAt = BlockSize;  // offset in the last block; BlockSize: none yet
    size_t ReadAt = 0;           // offset in the first block
    size_t Stored = 0;
    size_t Taken = 0;
};

}  // namespace ftpprotocol
