#pragma once
// How a server's times are read and written. Pure functions over replies and
// file times.
//
// Machine-readable listings (MLSD) and MDTM give UTC to the second. LIST gives
// the server's clock time to the minute, in a zone the server does not name: it
// is learnt by comparing a listed file's time with its MDTM. A time is set on
// the server with MFMT, SITE UTIME, or vsftpd's MDTM with a time, all in UTC.

#include <string>

#include "common/FileTime.h"

// The zone of a LIST time: listedClock is a file's listed time (minutes only,
// the server's clock), exactUtc its MDTM. The difference, rounded to the quarter
// hour, in minutes east of UTC; false when it is more than 14 hours either way
// (not a zone: the file changed in between, or the listing's year was guessed).
bool ListingZoneOffset(const FileTime& listedClock, const FileTime& exactUtc, int& offsetMinutes);

// A clock time of a zone offsetMinutes east of UTC, as UTC.
FileTime ClockTimeToUtc(const FileTime& clock, int offsetMinutes);

// "YYYYMMDDhhmmss" of a UTC file time (the fraction dropped); empty for a time
// before the year 1601 or after 9999.
std::string FtpTimestamp(const FileTime& utc);

// The ways a server may take a file's time, tried in this order.
enum class TimeSetting { Mfmt, SiteUtime, MdtmWithTime, None };

// The command that sets the time stamp (FtpTimestamp) of name the given way.
std::string TimeSettingCommand(TimeSetting way, const std::string& stamp, const std::string& name);

// What a reply to that command says of the way.
enum class TimeSettingAnswer {
    Done,     // the time is set
    Refused,  // the way works on this server, but not for this file
    Unknown,  // the server does not know the way
};
TimeSettingAnswer JudgeTimeSettingReply(TimeSetting way, const std::string& reply);
