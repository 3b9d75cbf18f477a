#include "sync/ExactNameIndex.h"

std::pair<VelDirectoryEntry*, int> VelExactNameIndex::Find(const std::string& name) {
    if (!Built) {
        Names.reserve(size_t(List.Count()));
        for (int i = 1; i <= List.Count(); ++i) {
            VelDirectoryEntry* entry = List.EntryAt(i);
            auto [slot, added] = Names.try_emplace(entry->Name, entry, 0);
            ++slot->second.second;
            (void)added;
        }
        Built = true;
    }
    auto found = Names.find(name);
    if (found == Names.end()) return {nullptr, 0};
    return found->second;
}
