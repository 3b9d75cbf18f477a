#include "ftp/ServerTimes.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/FileTimeCalendar.h"
#include "ftp/FtpResponse.h"

namespace {

constexpr int64_t TicksPerMinute = 60LL * 10000000LL;
constexpr int64_t LargestZoneMinutes = 14 * 60;

// The text of a reply's last line after its code.
std::string FinalText(const std::string& reply) {
    const std::string line = FinalLine(reply);
    return line.size() > 4 ? line.substr(4) : "";
}

}  // namespace

bool ListingZoneOffset(const FileTime& listedClock, const FileTime& exactUtc, int& offsetMinutes) {
    const int64_t difference = int64_t(listedClock.Ticks()) - int64_t(exactUtc.Ticks());
    // The listing dropped the seconds: the listed minute began up to a minute
    // before the exact time.
    const int64_t quarters =
        std::llround(double(difference + TicksPerMinute / 2) / double(15 * TicksPerMinute));
    const int64_t minutes = quarters * 15;
    if (std::llabs(minutes) > LargestZoneMinutes) return false;
    offsetMinutes = int(minutes);
    return true;
}

FileTime ClockTimeToUtc(const FileTime& clock, int offsetMinutes) {
    const int64_t ticks = int64_t(clock.Ticks()) - int64_t(offsetMinutes) * TicksPerMinute;
    return FileTime::FromTicks(ticks < 0 ? 0 : uint64_t(ticks));
}

std::string FtpTimestamp(const FileTime& utc) {
    const CalendarTime time = CalendarFromFileTime(utc);
    if (time.Year < 1601 || time.Year > 9999) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", time.Year, time.Month, time.Day,
                  time.Hour, time.Minute, time.Second);
    return text;
}

std::string TimeSettingCommand(TimeSetting way, const std::string& stamp, const std::string& name) {
    switch (way) {
        case TimeSetting::Mfmt:
            return "MFMT " + stamp + " " + name;
        case TimeSetting::SiteUtime:
            return "SITE UTIME " + stamp + " " + name;
        case TimeSetting::MdtmWithTime:
            return "MDTM " + stamp + " " + name;
        case TimeSetting::None:
            break;
    }
    return "";
}

TimeSettingAnswer JudgeTimeSettingReply(TimeSetting way, const std::string& reply) {
    const int code = FinalCode(reply);
    if (IsUnknownCommandReply(reply)) return TimeSettingAnswer::Unknown;
    if (way == TimeSetting::MdtmWithTime) {
        // A server that takes MDTM for reading only looks for a file named after
        // the whole argument: it finds none (550), or answers with a time, which
        // sets nothing.
        if (code == 550) return TimeSettingAnswer::Unknown;
        const std::string text = FinalText(reply);
        if (code == 213 &&
            !(text.size() >= 14 && std::isdigit(static_cast<unsigned char>(text[0]))))
            return TimeSettingAnswer::Done;
        return code == 213 ? TimeSettingAnswer::Unknown : TimeSettingAnswer::Refused;
    }
    return code / 100 == 2 ? TimeSettingAnswer::Done : TimeSettingAnswer::Refused;
}
