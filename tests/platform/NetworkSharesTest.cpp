#include <gtest/gtest.h>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"
#include "platform/NetworkShares.h"
#include "tests/support/TempFolder.h"

namespace {

const char* const Table =
    "proc /proc proc rw,nosuid 0 0\n"
    "//fileserver/Public /mnt/public cifs rw,vers=3.0 0 0\n"
    "//fileserver/public/deep /mnt/deep cifs rw 0 0\n"
    "//other/share\\040name /mnt/with\\040blank cifs rw 0 0\n"
    "nas:/export/home /mnt/home nfs4 rw 0 0\n"
    "nas:/ /mnt/nasroot nfs rw 0 0\n"
    "//old/share /mnt/first smb3 rw 0 0\n"
    "//old/share /mnt/second smb3 rw 0 0\n"
    "/dev/sda1 /srv ext4 rw 0 0\n"
    "garbage\n";

TEST(NetworkSharesTest, FindsTheMountThatCoversTheLocation) {
    TempFolder folder;
    std::string table = folder / "mounts";
    WriteTextFile(table, Table);
    struct Case {
        const char* location;
        const char* prefix;
        const char* mountPoint;
    } cases[] = {
        {"//fileserver/Public/dir", "//fileserver/Public", "/mnt/public"},
        {"//FILESERVER/public", "//FILESERVER/public", "/mnt/public"},
        {"//fileserver/public/deep/x", "//fileserver/public/deep", "/mnt/deep"},
        {"//fileserver/public/deeper", "//fileserver/public", "/mnt/public"},
        {"//other/share name/a", "//other/share name", "/mnt/with blank"},
        {"//nas/export/home/me", "//nas/export/home", "/mnt/home"},
        {"//nas/export/Home", "//nas", "/mnt/nasroot"},  // NFS paths keep their case
        {"//old/share", "//old/share", "/mnt/second"},   // the later mount wins
    };
    for (const Case& c : cases) {
        platform::ShareMount mount;
        ASSERT_TRUE(platform::FindShareMount(c.location, table, mount)) << c.location;
        EXPECT_EQ(mount.Prefix, c.prefix) << c.location;
        EXPECT_EQ(mount.MountPoint, c.mountPoint) << c.location;
    }
}

TEST(NetworkSharesTest, NotMountedGives53) {
    TempFolder folder;
    std::string table = folder / "mounts";
    WriteTextFile(table, Table);
    for (const char* location :
         {"//fileserver/private", "//elsewhere/Public", "//srv/x", "/srv", "//fileserver"}) {
        platform::ShareMount mount;
        platform::SetLastErrorCode(0);
        EXPECT_FALSE(platform::FindShareMount(location, table, mount)) << location;
        EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::BadNetPath) << location;
    }
    platform::ShareMount mount;
    EXPECT_FALSE(platform::FindShareMount("//fileserver/Public", folder / "no-table", mount));
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::BadNetPath);
}

}  // namespace
