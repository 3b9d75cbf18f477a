// Copies a tree of 10,000 small files (2 MiB in all) and four 8 MiB files
// through the disk device, folder by folder as the engine does (list, create
// the folder, PutFile each file), and compares the time with `cp -a`.
// Usage: bench_CopyTree [rounds]

#include <cstdio>
#include <memory>

#include "bench/BenchTree.h"
#include "storage/DiskStorageDevice.h"

namespace {

bool CopyRecursively(DiskStorageDevice& source, DiskStorageDevice& target, const std::string& from,
                     const std::string& to) {
    if (!target.CreateFolder(to)) return false;
    std::unique_ptr<VelDirectoryList> list(source.ListFolder(from, "", false));
    for (int i = 1; i <= list->Count(); ++i) {
        VelDirectoryEntry* entry = list->EntryAt(i);
        if (entry->IsDotEntry()) continue;
        if (entry->IsDirectory()) {
            if (!CopyRecursively(source, target, from + "/" + entry->Name,
                                 to + "/" + entry->Name)) {
                return false;
            }
            continue;
        }
        std::string local = source.GetLocalCopy(from, entry->Name);
        bool copied = target.PutFile(local, to, entry->Name, true);
        source.ReleaseLocalCopy(local);
        if (!copied) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    std::string scratch = bench::MakeScratchFolder();
    std::string tree = scratch + "/tree";
    std::string copy = scratch + "/copy";
    bench::MakeTree(tree, 10000, 2 << 20, 4, 8 << 20);
    bench::RunCommand("sync");
    DiskStorageDevice source(nullptr), target(nullptr);
    std::vector<double> ours, cp;
    for (int round = 0; round < rounds; ++round) {
        ours.push_back(bench::SecondsOf([&] {
            if (!CopyRecursively(source, target, tree, copy)) {
                std::fprintf(stderr, "copy failed: error %u\n", target.LastErrorCode());
                std::exit(2);
            }
        }));
        // The copy must be whole, or the figure means nothing.
        if (round == 0) bench::RunCommand("diff -r '" + tree + "' '" + copy + "'");
        bench::RunCommand("rm -rf '" + copy + "' && sync");
        cp.push_back(
            bench::SecondsOf([&] { bench::RunCommand("cp -a '" + tree + "' '" + copy + "'"); }));
        bench::RunCommand("rm -rf '" + copy + "' && sync");
    }
    std::printf("copying 10,004 files (2 MiB small + 4 x 8 MiB), median of %d rounds\n", rounds);
    bench::PrintFigures("copying", bench::Median(ours), "cp -a", bench::Median(cp), 1.2);
    bench::RunCommand("rm -rf '" + scratch + "'");
    return 0;
}
