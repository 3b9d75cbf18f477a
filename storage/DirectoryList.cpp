#include "storage/DirectoryList.h"

#include <algorithm>

#include "common/StringUtils.h"
#include "platform/FolderEnumeration.h"
#include "platform/Paths.h"
#include "storage/NameCompare.h"

std::unique_ptr<VelDirectoryList> VelDirectoryList::CreateFromFolder(const std::string& folder,
                                                                     const std::string& mask) {
    std::string pattern;
    if (mask.empty()) {
        pattern = folder + platform::PathSeparatorText + "*";
    } else if (!folder.empty()) {
        pattern = folder + platform::PathSeparatorText + mask;
    } else {
        pattern = mask;
    }
    auto list = std::make_unique<VelDirectoryList>();
    // A folder that cannot be listed stays an empty list; FindFiles has left the reason
    // (or ErrorCode::NoMoreFiles for a complete listing) as the thread's last error.
    platform::FindFiles(pattern, [&list](const platform::FindData& record) {
        list->Entries.emplace_back(VelDirectoryEntry::CreateFromFindData(record));
    });
    return list;
}

void VelDirectoryList::Add(std::unique_ptr<VelDirectoryEntry> entry) {
    Entries.push_back(std::move(entry));
}

void VelDirectoryList::Delete(int i) {
    Entries.erase(Entries.begin() + (i - 1));
    NameIndex.clear();
    HasNameIndex = false;
}

VelDirectoryEntry* VelDirectoryList::FindByName(const std::string& name, bool exact) {
    if (exact) {
        for (const auto& entry : Entries) {
            if (entry->Name == name) return entry.get();
        }
        return nullptr;
    }
    return FindCountingDuplicates(name).first;
}

std::pair<VelDirectoryEntry*, int> VelDirectoryList::FindCountingDuplicates(
    const std::string& name) {
    EnsureNameIndex();
    std::string lowered = LowerAscii(name);
    size_t first = FirstEqualKey(lowered);
    if (first == NameIndex.size()) return {nullptr, 0};
    int count = 1;
    for (size_t i = first + 1; i < NameIndex.size() && NameIndex[i].first == lowered; ++i) {
        ++count;
    }
    return {NameIndex[first].second, count};
}

void VelDirectoryList::EnsureNameIndex() {
    if (HasNameIndex && NameIndex.size() == Entries.size()) return;
    NameIndex.clear();
    NameIndex.reserve(Entries.size());
    for (const auto& entry : Entries) NameIndex.emplace_back(LowerAscii(entry->Name), entry.get());
    // Stable, so that equal keys keep the listing's order and a lookup finds the
    // first of them as listed.
    std::stable_sort(NameIndex.begin(), NameIndex.end(), [](const auto& a, const auto& b) {
        return CompareNamesIgnoringCase(a.first, b.first) < 0;
    });
    HasNameIndex = true;
}

size_t VelDirectoryList::FirstEqualKey(const std::string& loweredName) const {
    auto found = std::lower_bound(NameIndex.begin(), NameIndex.end(), loweredName,
                                  [](const auto& pair, const std::string& wanted) {
                                      return CompareNamesIgnoringCase(pair.first, wanted) < 0;
                                  });
    if (found == NameIndex.end() || CompareNamesIgnoringCase(found->first, loweredName) != 0) {
        return NameIndex.size();
    }
    return size_t(found - NameIndex.begin());
}
