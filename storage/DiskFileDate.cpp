#include "storage/DiskFileDate.h"

#include "common/DateTime.h"
#include "common/ErrorCodes.h"
#include "platform/FileOperations.h"
#include "platform/FileTimes.h"
#include "platform/LastError.h"

namespace {

// Roughly the years 0100 to 9999: anything outside cannot be decoded safely.
constexpr double EarliestDecodable = -657434.0;
constexpr double LatestDecodable = 2958465.0;

}  // namespace

bool DateTimeToDosDateTime(double dateTime, uint16_t& dosDate, uint16_t& dosTime) {
    dosDate = 0;
    dosTime = 0;
    if (!(dateTime >= EarliestDecodable && dateTime <= LatestDecodable)) return false;
    CalendarTime t = DecodeDateTime(dateTime);
    if (t.Year < 1980 || t.Year > 2107) return false;
    dosDate = uint16_t(((t.Year - 1980) << 9) | (t.Month << 5) | t.Day);
    dosTime = uint16_t((t.Hour << 11) | (t.Minute << 5) | (t.Second / 2));
    return true;
}

bool SetFileDateOnDisk(const std::string& path, double dateTime) {
    uint16_t dosDate, dosTime;
    if (!DateTimeToDosDateTime(dateTime, dosDate, dosTime)) {
        platform::SetLastErrorCode(ErrorCode::InvalidParameter);
        return false;
    }
    const CalendarTime local = DecodeDateTime(dateTime);
    FileTime localTime, utcTime;
    if (!platform::CalendarToFileTime(local, localTime) ||
        !platform::LocalFileTimeToFileTime(localTime, utcTime)) {
        return false;
    }
    return platform::SetLastWriteTime(path, utcTime);
}
