#include "ftp/ListedSizes.h"

#include <algorithm>

void ListedSizes::Remember(const std::string& folder, const VelDirectoryList& list) {
    Forget(folder);
    std::map<std::string, uint64_t>& sizes = Sizes[folder];
    for (int i = 1; i <= list.Count(); ++i) {
        const VelDirectoryEntry& entry = *list.EntryAt(i);
        if (!entry.IsDirectory()) sizes[entry.Name] = uint64_t(entry.Size);
    }
    Order.push_back(folder);
    if (Order.size() > MaxFolders) {
        Sizes.erase(Order.front());
        Order.pop_front();
    }
}

void ListedSizes::Forget(const std::string& folder) {
    if (Sizes.erase(folder) == 0) return;
    Order.erase(std::remove(Order.begin(), Order.end(), folder), Order.end());
}

bool ListedSizes::Find(const std::string& folder, const std::string& name, uint64_t& size) const {
    auto sizes = Sizes.find(folder);
    if (sizes == Sizes.end()) return false;
    auto found = sizes->second.find(name);
    if (found == sizes->second.end()) return false;
    size = found->second;
    return true;
}
