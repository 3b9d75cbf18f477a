// Lists a 10,000-file tree through the disk device, folder by folder as the
// engine does, and compares the time with `find -printf` over the same tree.
// Usage: bench_ListTree [rounds]

#include <cstdio>
#include <memory>

#include "bench/BenchTree.h"
#include "storage/DiskStorageDevice.h"

namespace {

long ListRecursively(DiskStorageDevice& device, const std::string& folder) {
    std::unique_ptr<VelDirectoryList> list(device.ListFolder(folder, "", false));
    long entries = 0;
    for (int i = 1; i <= list->Count(); ++i) {
        VelDirectoryEntry* entry = list->EntryAt(i);
        if (entry->IsDotEntry()) continue;
        ++entries;
        if (entry->IsDirectory()) entries += ListRecursively(device, folder + "/" + entry->Name);
    }
    return entries;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    std::string scratch = bench::MakeScratchFolder();
    std::string tree = scratch + "/tree";
    bench::MakeTree(tree, 10000, 2 << 20, 0, 0);
    DiskStorageDevice device(nullptr);
    std::vector<double> ours, find;
    long counted = 0;
    for (int round = 0; round < rounds; ++round) {
        ours.push_back(bench::SecondsOf([&] { counted = ListRecursively(device, tree); }));
        find.push_back(bench::SecondsOf([&] {
            bench::RunCommand("find '" + tree + "' -printf '%p %s %T@ %m\\n' > /dev/null");
        }));
    }
    std::printf("listing %ld entries, median of %d rounds\n", counted, rounds);
    bench::PrintFigures("listing", bench::Median(ours), "find", bench::Median(find), 1.5);
    bench::RunCommand("rm -rf '" + scratch + "'");
    return 0;
}
