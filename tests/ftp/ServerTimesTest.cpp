// What the FEAT replies of real servers offer, the zone of a LIST time, and what
// the replies to setting a time say of the way tried.

#include <gtest/gtest.h>

#include "common/FileTimeCalendar.h"
#include "ftp/ServerFeatures.h"
#include "ftp/ServerTimes.h"

namespace {

TEST(ServerFeatures, FeatRepliesOfRealServers) {
    const struct {
        const char* Server;
        const char* Reply;
        bool Listed, Mlsd, Mfmt;
        const char* FactsToAsk;
        bool OffersTls = false;
    } cases[] = {
        {"vsftpd 3.0",
         "211-Features:\r\n EPRT\r\n EPSV\r\n MDTM\r\n PASV\r\n REST STREAM\r\n SIZE\r\n TVFS\r\n"
         "211 End\r\n",
         true, false, false, ""},
        {"ProFTPD 1.3.8",
         "211-Features:\r\n CLNT\r\n EPRT\r\n MDTM\r\n MFF modify;UNIX.group;UNIX.mode;\r\n "
         "MFMT\r\n"
         " MLST modify*;perm*;size*;type*;unique*;UNIX.group*;UNIX.mode*;UNIX.owner*;\r\n"
         " SITE UTIME\r\n SIZE\r\n211 End\r\n",
         true, true, true, ""},
        {"Pure-FTPd 1.0.50",
         "211-Extensions supported:\r\n UTF8\r\n MDTM\r\n SIZE\r\n MFMT\r\n REST STREAM\r\n"
         " MLST type*;size*;sizd*;modify*;UNIX.mode*;UNIX.uid*;UNIX.gid*;unique*;\r\n MLSD\r\n"
         "211 End.\r\n",
         true, true, true, ""},
        {"pyftpdlib 1.5",
         "211-Features supported:\r\n EPRT\r\n MDTM\r\n MFMT\r\n"
         " MLST type*;perm*;size*;modify*;unique*;unix.mode;unix.uid;unix.gid;\r\n SIZE\r\n"
         "211 End FEAT.\r\n",
         true, true, true, "type;perm;size;modify;unix.mode;"},
        {"vsftpd 3.0 with TLS",
         "211-Features:\r\n AUTH SSL\r\n AUTH TLS\r\n EPRT\r\n EPSV\r\n MDTM\r\n PASV\r\n"
         " PBSZ\r\n PROT\r\n REST STREAM\r\n SIZE\r\n TVFS\r\n211 End\r\n",
         true, false, false, "", true},
        {"ProFTPD 1.3.8 with mod_tls",
         "211-Features:\r\n AUTH TLS\r\n CCC\r\n MDTM\r\n MFMT\r\n PBSZ\r\n PROT\r\n"
         " SIZE\r\n211 End\r\n",
         true, false, true, "", true},
        {"every mechanism on one line", "211-Features:\r\n AUTH SSL;TLS-C\r\n211 End\r\n", true,
         false, false, "", true},
        {"SSL only", "211-Features:\r\n AUTH SSL\r\n211 End\r\n", true, false, false, ""},
        {"no FEAT", "500 Unknown command.\r\n", false, false, false, ""},
        {"one line", "211 No features\r\n", false, false, false, ""},
        {"not indented", "211-Features:\r\nMLST type*;\r\nMFMT\r\n211 End\r\n", false, false, false,
         ""},
    };
    for (const auto& c : cases) {
        const ServerFeatures features = ReadFeatReply(c.Reply);
        EXPECT_EQ(features.Listed, c.Listed) << c.Server;
        EXPECT_EQ(features.Mlsd, c.Mlsd) << c.Server;
        EXPECT_EQ(features.Mfmt, c.Mfmt) << c.Server;
        EXPECT_EQ(features.MlstFactsToAsk, c.FactsToAsk) << c.Server;
        EXPECT_EQ(features.OffersTls, c.OffersTls) << c.Server;
    }
}

FileTime At(int day, int hour, int minute, int second = 0) {
    return FileTimeFromCalendar(CalendarTime{2026, 12, day, hour, minute, second, 0});
}

TEST(ServerTimes, TheZoneOfAListingFromOneFilesExactTime) {
    const struct {
        const char* What;
        FileTime Listed, Exact;
        bool Told;
        int Offset;
    } cases[] = {
        {"UTC, seconds dropped", At(8, 5, 35), At(8, 5, 35, 59), true, 0},
        {"UTC+9", At(8, 14, 35), At(8, 5, 35, 1), true, 540},
        {"UTC-5 over midnight", At(7, 23, 59), At(8, 4, 59, 30), true, -300},
        {"UTC+5:45", At(8, 11, 20), At(8, 5, 35, 10), true, 345},
        {"UTC+14", At(8, 19, 35), At(8, 5, 35), true, 840},
        {"a day apart: changed in between", At(9, 5, 35), At(8, 5, 35), false, 0},
    };
    for (const auto& c : cases) {
        int offset = 7;
        EXPECT_EQ(ListingZoneOffset(c.Listed, c.Exact, offset), c.Told) << c.What;
        if (c.Told) {
            EXPECT_EQ(offset, c.Offset) << c.What;
        }
    }
    EXPECT_EQ(ClockTimeToUtc(At(8, 14, 35), 540).Ticks(), At(8, 5, 35).Ticks());
    EXPECT_EQ(FtpTimestamp(At(8, 5, 35, 7)), "20261208053507");
}

TEST(ServerTimes, RepliesToSettingATime) {
    using Answer = TimeSettingAnswer;
    const struct {
        TimeSetting Way;
        const char* Reply;
        Answer Expected;
    } cases[] = {
        {TimeSetting::Mfmt, "213 Modify=20261208053507; a.txt\r\n", Answer::Done},
        {TimeSetting::Mfmt, "213 UTIME OK\r\n", Answer::Done},
        {TimeSetting::Mfmt, "550 a.txt: Permission denied\r\n", Answer::Refused},
        {TimeSetting::Mfmt, "502 Command not implemented.\r\n", Answer::Unknown},
        {TimeSetting::SiteUtime, "500 Unknown SITE command.\r\n", Answer::Unknown},
        {TimeSetting::SiteUtime, "200 SITE UTIME command successful\r\n", Answer::Done},
        {TimeSetting::MdtmWithTime, "213 File modification time set.\r\n", Answer::Done},
        // A server that reads MDTM only: the whole argument taken as a name.
        {TimeSetting::MdtmWithTime, "550 Could not get file modification time.\r\n",
         Answer::Unknown},
        {TimeSetting::MdtmWithTime, "213 20261208053507\r\n", Answer::Unknown},
        {TimeSetting::MdtmWithTime, "450 Busy.\r\n", Answer::Refused},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeTimeSettingReply(c.Way, c.Reply), c.Expected) << c.Reply;
    EXPECT_EQ(TimeSettingCommand(TimeSetting::MdtmWithTime, "20261208053507", "a b.txt"),
              "MDTM 20261208053507 a b.txt");
}

}  // namespace
