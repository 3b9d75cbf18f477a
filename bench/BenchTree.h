#pragma once
// Shared pieces of the disk benchmarks: making a test tree, timing a piece of
// work and an outside command, and printing figures. Benchmarks may use the OS.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline double SecondsOf(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline void RunCommand(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "command failed: %s\n", command.c_str());
        std::exit(2);
    }
}

inline void MakeFolder(const std::string& path) {
    mkdir(path.c_str(), 0755);
}

inline void WriteFile(const std::string& path, size_t size, unsigned seed) {
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) content[i] = char('a' + (i * 7 + seed) % 26);
    std::ofstream(path, std::ios::binary) << content;
}

// `files` small files spread over folders of 100 (two levels deep), with
// `smallBytes` bytes between them, plus `bigFiles` files of `bigBytes` bytes.
inline void MakeTree(const std::string& root, int files, size_t smallBytes, int bigFiles,
                     size_t bigBytes) {
    MakeFolder(root);
    size_t each = files > 0 ? smallBytes / size_t(files) : 0;
    for (int i = 0; i < files; ++i) {
        std::string top = root + "/group" + std::to_string(i / 1000);
        std::string folder = top + "/folder" + std::to_string(i / 100 % 10);
        if (i % 1000 == 0) MakeFolder(top);
        if (i % 100 == 0) MakeFolder(folder);
        WriteFile(folder + "/file" + std::to_string(i) + ".dat", each + i % 7, unsigned(i));
    }
    for (int i = 0; i < bigFiles; ++i) {
        WriteFile(root + "/big" + std::to_string(i) + ".bin", bigBytes, unsigned(i));
    }
}

inline std::string MakeScratchFolder() {
    char pattern[] = "/tmp/velbench-XXXXXX";
    char* made = mkdtemp(pattern);
    if (made == nullptr) std::exit(2);
    return made;
}

inline void PrintFigures(const char* what, double ours, const char* theirName, double theirs,
                         double goal) {
    double ratio = ours / theirs;
    std::printf(
        "%-8s VelCopy disk device %8.1f ms   %-10s %8.1f ms   ratio %.2f (goal <= %.2f) %s\n", what,
        ours * 1000, theirName, theirs * 1000, ratio, goal, ratio <= goal ? "met" : "NOT MET");
}

}  // namespace bench
