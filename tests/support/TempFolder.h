#pragma once
// A real temporary folder for one test, removed with everything in it when the
// test ends, and small helpers to fill it. Tests may use the OS directly here;
// what differs between systems comes from SystemTestKit.h of the test kit's
// posix/ or win32/ folder (the build puts the right one on the include path).

#include <filesystem>
#include <fstream>
#include <string>

#include "SystemTestKit.h"
#include "platform/Paths.h"

class TempFolder {
public:
    TempFolder() : Path(testkit::MakeTemporaryFolder()) {}
    ~TempFolder() {
        if (Path.empty()) return;
        // Make everything writable again so that removal cannot fail.
        std::error_code ignored;
        for (auto& entry : std::filesystem::recursive_directory_iterator(Path, ignored)) {
            if (!entry.is_symlink()) testkit::MakeWritable(entry.path().string());
        }
        std::filesystem::remove_all(Path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string operator/(const std::string& name) const {
        return Path + platform::PathSeparatorText + name;
    }

    std::string Path;
};

inline void WriteTextFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A path written with "/" in the separators of this system.
inline std::string NativePath(std::string path) {
    for (char& c : path)
        if (c == '/') c = platform::PathSeparator;
    return path;
}
