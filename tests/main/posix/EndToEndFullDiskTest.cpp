// Downloads that meet a full disk say so, and which disk: the temporary folder
// the FTP device keeps its downloads in, or the destination. Small tmpfs file
// systems stand for the full disks, so the test needs root to mount them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mount.h>

#include "tests/main/EndToEndSupport.h"
#include "tests/support/FtpServers.h"

namespace {

using namespace endtoend;

// A tmpfs with the given options mounted on a folder for the life of the
// object; no options: the folder stays a plain folder.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, const std::string& options) : Folder(folder) {
        std::filesystem::create_directories(folder);
        Mounted =
            !options.empty() && mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (Mounted) umount2(Folder.c_str(), MNT_DETACH);
    }
    const std::string Folder;
    bool Mounted = false;
};

// TMPDIR for the program started while the object lives.
class ScopedTemporaryFolder {
public:
    explicit ScopedTemporaryFolder(const std::string& folder) {
        if (const char* old = getenv("TMPDIR")) Old = old;
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~ScopedTemporaryFolder() {
        if (Old.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", Old.c_str(), 1);
    }

private:
    std::string Old;
};

TEST(EndToEndFullDisk, DownloadsThatMeetAFullDiskSayWhichDisk) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to mount small file systems";
    PyftpdlibServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    MakeFile(server.Root + "/www/big.bin", std::string(2u << 20, 'b'));
    const std::string at = "ftp://127.0.0.1:" + std::to_string(server.Port) + "/www";
    const std::string full = "There is not enough space on the disk.";
    struct {
        const char* what;
        std::string temporaryOptions, destinationOptions;
        std::vector<std::string> prefixes;  // of the error lines, in order
    } cases[] = {
        {"no room for the folder of downloads",
         "size=1m,nr_inodes=1",
         "",
         {"!! Error: Cannot make a folder for downloads in the temporary folder ",
          "!! Error: Failed to read " + at + "/big.bin",
          "!! Error: Failed to copy file " + at + "/big.bin. " + full + " (#112) (112). Stopping"}},
        {"a download bigger than the temporary folder",
         "size=1m",
         "",
         {"!! Error: Cannot store the download of " + at + "/big.bin in ",
          "!! Error: Failed to read " + at + "/big.bin",
          "!! Error: Failed to copy file " + at + "/big.bin. " + full + " (#112) (112). Stopping"}},
        {"no room at the destination",
         "",
         "size=1m",
         {"!! Error: Failed to copy file " + at + "/big.bin. " + full + " (112). Stopping"}},
    };
    for (const auto& c : cases) {
        TempFolder work;
        SmallDisk temporary(work / "tmp", c.temporaryOptions);
        SmallDisk destination(work / "dst", c.destinationOptions);
        if (temporary.Mounted == c.temporaryOptions.empty() ||
            destination.Mounted == c.destinationOptions.empty())
            GTEST_SKIP() << "cannot mount tmpfs here";
        ScopedTemporaryFolder tmp(temporary.Folder);
        RunResult result =
            RunVelCopy({at, destination.Folder + "/", "/U:user", "/P:secret"}, work / "run.log");
        std::vector<std::string> errors;
        for (const std::string& line : result.LogLines)
            if (line.rfind("!! Error: ", 0) == 0) errors.push_back(line);
        ASSERT_EQ(errors.size(), c.prefixes.size()) << c.what << "\n" << result.Console;
        for (size_t i = 0; i < errors.size(); ++i)
            EXPECT_THAT(errors[i], ::testing::StartsWith(c.prefixes[i])) << c.what << "\n"
                                                                         << result.Console;
        EXPECT_THAT(errors[0], ::testing::HasSubstr(full)) << c.what;
    }
}

}  // namespace
