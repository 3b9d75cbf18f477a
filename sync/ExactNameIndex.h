#pragma once
// A case-sensitive lookup over one directory list: each name maps to its first
// entry in list order and to the number of entries that carry exactly that name.
// Built once per list on first use, so that a folder of n entries costs O(n)
// rather than a linear search per lookup. The index borrows the list; entry names
// must not change while it is in use (names are only changed in a case-ignoring
// comparison, where this index is not used).

#include <string>
#include <unordered_map>
#include <utility>

#include "storage/DirectoryList.h"

class VelExactNameIndex {
public:
    explicit VelExactNameIndex(VelDirectoryList& list) : List(list) {}

    // The first entry named exactly `name` (nullptr when none) and how many carry it.
    std::pair<VelDirectoryEntry*, int> Find(const std::string& name);

private:
    VelDirectoryList& List;
    bool Built = false;
    std::unordered_map<std::string, std::pair<VelDirectoryEntry*, int>> Names;
};
