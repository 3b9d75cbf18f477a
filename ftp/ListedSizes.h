#pragma once
// The sizes the device last listed for the files of the folders being walked, so
// that a download can be checked against what the listing promised: a data
// connection cut part-way ends like a complete one, and the server, which has
// sent everything into it, reports the transfer complete.
//
// A folder's sizes are kept from its full listing until the engine has finished
// with it (FolderFinished), and only for the most recent folders, so the memory
// held follows the depth of the walk, not the size of the tree.

#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "storage/DirectoryList.h"

class ListedSizes {
public:
    static constexpr size_t MaxFolders = 64;

    // Replaces what is kept for folder with the files of list.
    void Remember(const std::string& folder, const VelDirectoryList& list);
    void Forget(const std::string& folder);
    // The listed size of folder/name; false when it is not known.
    bool Find(const std::string& folder, const std::string& name, uint64_t& size) const;

private:
    std::map<std::string, std::map<std::string, uint64_t>> Sizes;
    std::deque<std::string> Order;  // the folders kept, the oldest first
};
