#include "tests/internet/protocol/ListingSamples.h"

#include "platform/FindData.h"

using namespace std::string_literals;

namespace {

constexpr uint32_t F = platform::Attribute::Normal;
constexpr uint32_t D = platform::Attribute::Directory;
constexpr uint32_t R = platform::Attribute::ReadOnly;
constexpr uint32_t H = platform::Attribute::Hidden;
constexpr uint32_t L = platform::Attribute::ReparsePoint;

CalendarTime At(int year, int month, int day, int hour = 0, int minute = 0) {
    return CalendarTime{year, month, day, hour, minute, 0, 0};
}

ListingSample Entry(std::string line, std::string name, uint32_t attributes, uint64_t size,
                    CalendarTime time) {
    return ListingSample{std::move(line), true, std::move(name), attributes, size, time};
}

ListingSample Skipped(std::string line) {
    ListingSample sample;
    sample.Line = std::move(line);
    return sample;
}

std::vector<ListingSample> MakeSamples() {
    return {
        // ---- vsftpd 3.0 (LIST -a): numeric owners, zero-padded day, 4-digit owner
        // field width, no "total" line.
        Entry("drwxr-xr-x    5 0        0            4096 Dec 08 01:37 .", ".", D, 4096,
              At(2026, 12, 8, 1, 37)),
        Entry("drwxrwxrwt   15 0        0            4096 Dec 08 01:40 ..", "..", D, 4096,
              At(2026, 12, 8, 1, 40)),
        // A name with a leading blank: only the one separator after the time goes.
        Entry("-rw-r--r--    1 0        0               2 Dec 08 01:37  leading space",
              " leading space", F, 2, At(2026, 12, 8, 1, 37)),
        Entry("-rw-r--r--    1 0        0               2 Dec 08 01:37 .hidden", ".hidden", H, 2,
              At(2026, 12, 8, 1, 37)),
        Entry("drwxr-xr-x    2 0        0            4096 Dec 08 01:37 .hiddendir", ".hiddendir",
              D | H, 4096, At(2026, 12, 8, 1, 37)),
        // " -> " in a plain file's name is part of the name; only links are cut.
        Entry("-rw-r--r--    1 0        0               2 Dec 08 01:37 arrow -> name",
              "arrow -> name", F, 2, At(2026, 12, 8, 1, 37)),
        // Above 4 GiB: the size needs both halves.
        Entry("-rw-r--r--    1 0        0        5000000000 Dec 08 01:37 big.bin", "big.bin", F,
              5000000000ull, At(2026, 12, 8, 1, 37)),
        // vsftpd prints device files with size 0, no major/minor.
        Entry("brw-r--r--    1 0        0               0 Dec 08 01:37 blockdev", "blockdev", F, 0,
              At(2026, 12, 8, 1, 37)),
        Entry("crw-r--r--    1 0        0               0 Dec 08 01:37 chardev", "chardev", F, 0,
              At(2026, 12, 8, 1, 37)),
        Entry("drwxr-xr-x    2 0        0            4096 Dec 08 01:37 dir with space",
              "dir with space", D, 4096, At(2026, 12, 8, 1, 37)),
        Entry("prw-r--r--    1 0        0               0 Dec 08 01:37 fifo", "fifo", F, 0,
              At(2026, 12, 8, 1, 37)),
        // vsftpd shows the year for a file dated in the future.
        Entry("-rw-r--r--    1 0        0               0 Dec 11  2026 future.txt", "future.txt", F,
              0, At(2026, 12, 11)),
        Entry("-rw-r--r--    1 0        0               2 Dec 08 01:37 inner  two  spaces",
              "inner  two  spaces", F, 2, At(2026, 12, 8, 1, 37)),
        // A link gives its own name, size and time, marked as a link; the target is
        // dropped.
        Entry("lrwxrwxrwx    1 0        0              14 Dec 08 01:37 link to dir -> dir with "
              "space",
              "link to dir", L, 14, At(2026, 12, 8, 1, 37)),
        Entry("lrwxrwxrwx    1 0        0               9 Dec 08 01:37 link.txt -> plain.txt",
              "link.txt", L, 9, At(2026, 12, 8, 1, 37)),
        Entry("-rw-r--r--    1 0        0               0 Mar 04  2019 old.txt", "old.txt", F, 0,
              At(2019, 3, 4)),
        // The owner cannot write: read-only.
        Entry("-r--r--r--    1 12345    54321           3 Dec 08 01:37 plain.txt", "plain.txt", R,
              3, At(2026, 12, 8, 1, 37)),
        Entry("-rw-r--r--    1 0        0               0 Oct 08 13:45 recent.txt", "recent.txt", F,
              0, At(2026, 10, 8, 13, 45)),
        // A tab is a name character, not a separator.
        Entry("-rw-r--r--    1 0        0               1 Dec 08 01:37 tab\there", "tab\there", F,
              1, At(2026, 12, 8, 1, 37)),
        Entry("-rw-r--r--    1 0        0               2 Dec 08 01:37 trailing space ",
              "trailing space ", F, 2, At(2026, 12, 8, 1, 37)),

        // ---- pyftpdlib 1.5: owner names, 3-blank gap after the mode.
        Entry("-rw-r--r--   1 root     root            2 Dec 08 01:37  leading space",
              " leading space", F, 2, At(2026, 12, 8, 1, 37)),
        Entry("-rw-r--r--   1 root     root     5000000000 Dec 08 01:37 big.bin", "big.bin", F,
              5000000000ull, At(2026, 12, 8, 1, 37)),
        // pyftpdlib shows a clock time for a file up to 180 days in the future: three
        // days ahead is beyond the slack, so it is taken as last year's.
        Entry("-rw-r--r--   1 root     root            0 Dec 11 01:37 future.txt", "future.txt", F,
              0, At(2025, 12, 11, 1, 37)),
        Entry("lrwxrwxrwx   1 root     root           14 Dec 08 01:37 link to dir -> dir with "
              "space",
              "link to dir", L, 14, At(2026, 12, 8, 1, 37)),
        Entry("-r--r--r--   1 12345    54321           3 Dec 08 01:37 plain.txt", "plain.txt", R, 3,
              At(2026, 12, 8, 1, 37)),
        Entry("drwxr-xr-x   2 root     root         4096 Dec 08 01:37 sub", "sub", D, 4096,
              At(2026, 12, 8, 1, 37)),

        // ---- ProFTPD 1.3 (mod_ls): a "total" line first, owner names padded to 8,
        // longer ones push the columns right, blank-padded day.
        Skipped("total 28"),
        Entry("drwxr-xr-x   2 ftp      ftp          4096 Nov 21 10:21 pub", "pub", D, 4096,
              At(2026, 11, 21, 10, 21)),
        Entry("-rw-r--r--   1 ftp      ftp       1048576 Nov  1  2024 big.iso", "big.iso", F,
              1048576, At(2024, 11, 1)),
        Entry("-rw-r--r--   1 webmaster www-data       12 Dec  7 23:59 index.html", "index.html", F,
              12, At(2026, 12, 7, 23, 59)),
        Entry("lrwxrwxrwx   1 ftp      ftp            11 Nov 21 10:21 latest -> release-1.2",
              "latest", L, 11, At(2026, 11, 21, 10, 21)),
        // A folder without owner write permission is read-only as well.
        Entry("dr-xr-xr-x   2 ftp      ftp          4096 Jan 15 08:00 incoming", "incoming", D | R,
              4096, At(2026, 1, 15, 8, 0)),
        // Set-id and sticky bits in the mode.
        Entry("-rwsr-sr-t   1 ftp      ftp           512 Jun 30 17:05 setid", "setid", F, 512,
              At(2026, 6, 30, 17, 5)),
        // ListOptions "-n": numeric owners.
        Entry("-rw-r--r--   1 1001     1001          300 Feb 29  2024 leap.txt", "leap.txt", F, 300,
              At(2024, 2, 29)),

        // ---- pure-ftpd 1.0: owners padded to 10 columns; lists "." and "..".
        Entry("drwxr-xr-x    8 1000       1000             4096 Dec  2 09:14 .", ".", D, 4096,
              At(2026, 12, 2, 9, 14)),
        Entry("drwxr-xr-x    3 0          0                4096 Nov 20 09:00 ..", "..", D, 4096,
              At(2026, 11, 20, 9, 0)),
        Entry("-rw-r--r--    1 1000       1000          1234567 Dec  2 09:14 archive.tar.gz",
              "archive.tar.gz", F, 1234567, At(2026, 12, 2, 9, 14)),
        Entry("-rw-------    1 ftpuser    ftpgroup            0 Aug  5  2021 .ftpquota",
              ".ftpquota", H, 0, At(2021, 8, 5)),

        // ---- IIS (DOS style): MM-DD-YY, 12-hour clock, "<DIR>" padded to the name
        // column, file sizes right-aligned with one blank before the name.
        Entry("11-21-25  10:21AM       <DIR>          aspnet_client", "aspnet_client", D, 0,
              At(2025, 11, 21, 10, 21)),
        Entry("05-19-10  10:53AM                  689 iisstart.htm", "iisstart.htm", F, 689,
              At(2010, 5, 19, 10, 53)),
        // 12 AM is just after midnight, 12 PM just after noon.
        Entry("02-20-09  12:02AM                 1024 midnight.txt", "midnight.txt", F, 1024,
              At(2009, 2, 20, 0, 2)),
        Entry("02-20-09  12:30PM                 1024 noon.txt", "noon.txt", F, 1024,
              At(2009, 2, 20, 12, 30)),
        Entry("06-01-26  11:59PM           7516192768 huge image.vhd", "huge image.vhd", F,
              7516192768ull, At(2026, 6, 1, 23, 59)),
        // Blanks past the padding belong to the name.
        Entry("11-21-25  10:21AM       <DIR>           leading", " leading", D, 0,
              At(2025, 11, 21, 10, 21)),
        Entry("11-21-25  10:21AM                  689  spaced.htm", " spaced.htm", F, 689,
              At(2025, 11, 21, 10, 21)),
        // IIS with four-digit years.
        Entry("06-01-2026  12:30PM       <DIR>          Reports 2026", "Reports 2026", D, 0,
              At(2026, 6, 1, 12, 30)),
        // Two-digit years from 69 up are last century's.
        Entry("12-31-99  11:59PM                    0 y2k.txt", "y2k.txt", F, 0,
              At(1999, 12, 31, 23, 59)),

        // ---- Other Windows servers in DOS style: a 24-hour clock.
        Entry("06-01-26  14:30       <DIR>          Archive", "Archive", D, 0,
              At(2026, 6, 1, 14, 30)),
        Entry("06-01-2026  00:05                 4096 early.log", "early.log", F, 4096,
              At(2026, 6, 1, 0, 5)),

        // ---- FileZilla Server (0.9 and 1.x): link count 1 and owner/group "ftp"
        // always, folders with size 0, UTF-8 names passed through as bytes.
        Entry("-rw-r--r-- 1 ftp ftp         362213 Nov 21 10:21 report.pdf", "report.pdf", F,
              362213, At(2026, 11, 21, 10, 21)),
        Entry("drwxr-xr-x 1 ftp ftp              0 Nov 21 10:21 Music", "Music", D, 0,
              At(2026, 11, 21, 10, 21)),
        Entry("-rw-r--r-- 1 ftp ftp             12 Jan 02  2019 \xC3\x9C"
              "berweisung.txt",
              "\xC3\x9C"
              "berweisung.txt",
              F, 12, At(2019, 1, 2)),
        // Upper-case month as some versions send it.
        Entry("-rw-r--r-- 1 ftp ftp              5 DEC 01 07:00 shout.txt", "shout.txt", F, 5,
              At(2026, 12, 1, 7, 0)),

        // ---- busybox ftpd: blank-padded day, devices with "major,   minor".
        Entry("-rw-r--r--    1 0        0              12 Jan  1 00:05 hello.txt", "hello.txt", F,
              12, At(2026, 1, 1, 0, 5)),
        Entry("drwxr-xr-x    2 0        0              40 Jan  1 00:00 www", "www", D, 40,
              At(2026, 1, 1, 0, 0)),
        Entry("crw-rw-rw-    1 0        0           1,   3 Jan  1 00:00 null", "null", F, 0,
              At(2026, 1, 1, 0, 0)),
        Entry("lrwxrwxrwx    1 0        0              12 Jan  1 00:00 sh -> /bin/busybox", "sh", L,
              12, At(2026, 1, 1, 0, 0)),

        // ---- GNU ls behind other servers: ACL "+" and security-context "." marks,
        // "major, minor" devices, listings without a group column.
        Skipped("total 12"),
        Entry("-rw-r--r--+ 1 alice staff 8192 Sep  9 09:09 shared.doc", "shared.doc", F, 8192,
              At(2026, 9, 9, 9, 9)),
        Entry("drwxr-xr-x. 2 root root 6 Apr  1  2023 selinux", "selinux", D, 6, At(2023, 4, 1)),
        Entry("crw-rw-rw- 1 root root 1, 3 Dec  8 01:00 null", "null", F, 0, At(2026, 12, 8, 1, 0)),
        Entry("-rw-r--r--   1 alice     1234 Dec  8 01:00 nogroup.txt", "nogroup.txt", F, 1234,
              At(2026, 12, 8, 1, 0)),
        Entry("-rw-r--r--   1 1000      55 Jul  4  2025 nogroup-numeric", "nogroup-numeric", F, 55,
              At(2025, 7, 4)),
        // Names a device must refuse as paths are still reported as listed.
        Entry("-rw-r--r-- 1 u g 1 Dec  8 01:00 a/b", "a/b", F, 1, At(2026, 12, 8, 1, 0)),
        Entry("-rw-r--r-- 1 u g 1 Dec  8 01:00 nul\0inside"s, "nul\0inside"s, F, 1,
              At(2026, 12, 8, 1, 0)),

        // ---- Not entries: skipped, never guessed.
        Skipped(""),
        Skipped("   "),
        Skipped("total 0"),
        Skipped("226 Transfer complete."),
        // A date that does not exist.
        Skipped("-rw-r--r-- 1 u g 1 Feb 30  2024 feb30"),
        Skipped("-rw-r--r-- 1 u g 1 Dec  8 25:00 hour25"),
        Skipped("-rw-r--r-- 1 u g 12x Dec  8 01:00 badsize"),
        // Nothing after the time: no name.
        Skipped("-rw-r--r-- 1 u g 1 Dec  8 01:00"),
        Skipped("-rw-r--r-- 1 u g 1 Dec  8 01:00 "),
        // A size beyond 64 bits.
        Skipped("-rw-r--r-- 1 u g 99999999999999999999 Dec  8 01:00 overflow"),
        Skipped("13-01-26  10:00AM       <DIR>          month13"),
        Skipped("06-01-26  13:00PM                    1 pm13"),
        Skipped("06-01-26  10:00AM       <FOLDER>       folder"),
        // MLSD facts are not a LIST form.
        Skipped("type=file;size=12;modify=20261208013700; hello.txt"),
    };
}

}  // namespace

CalendarTime ListingSampleNow() {
    return At(2026, 12, 8, 2, 0);
}

const std::vector<ListingSample>& ListingSamples() {
    static const std::vector<ListingSample> samples = MakeSamples();
    return samples;
}
