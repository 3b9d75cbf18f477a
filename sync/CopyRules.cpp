#include "sync/CopyRules.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "common/DateTime.h"

namespace {

constexpr double OneMillisecond = OneSecond / 1000;

// The latest time a listed time may stand for.
double LatestTimeMeant(const VelDirectoryEntry& entry) {
    if (entry.TimeResolution == 0) return entry.ModifiedTime;
    return entry.ModifiedTime + entry.TimeResolution * OneSecond - OneMillisecond;
}

}  // namespace

bool IsNewerEntry(const VelDirectoryEntry& source, const VelDirectoryEntry& destination,
                  uint32_t driftSeconds) {
    if (source.DateOnly || destination.DateOnly)
        return std::trunc(source.ModifiedTime) > std::trunc(destination.ModifiedTime);
    const double allowance = driftSeconds == 0 ? 0 : (driftSeconds + 0.5) * OneSecond;
    return source.ModifiedTime > LatestTimeMeant(destination) + allowance;
}

std::string FormatSizeHalves(uint32_t high, uint32_t low) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%X%.8X", unsigned(high), unsigned(low));
    return buffer;
}

namespace {

std::string SizeText(const char* before, const VelDirectoryEntry& source, const char* middle,
                     const VelDirectoryEntry& destination) {
    return std::string(before) + FormatSizeHalves(source.SizeHigh, source.SizeLow) + middle +
           FormatSizeHalves(destination.SizeHigh, destination.SizeLow) + ")";
}

}  // namespace

SizeVerdict TextSizeRule(const VelDirectoryEntry& source, const VelDirectoryEntry& destination) {
    SizeVerdict verdict;
    const uint64_t sourceSize = (uint64_t(source.SizeHigh) << 32) | source.SizeLow;
    const uint64_t destinationSize = (uint64_t(destination.SizeHigh) << 32) | destination.SizeLow;
    if (destinationSize > sourceSize) {
        verdict.Copy = true;
        verdict.Explanation =
            SizeText("Source file size (", source, ") is less than at destination (", destination);
    } else if (destination.Size <= INT64_MAX / 2 && source.Size > 2 * destination.Size) {
        verdict.Copy = true;
        verdict.Explanation =
            SizeText("Source file size (", source,
                     ") is significantly bigger than at destination (", destination);
    }
    return verdict;
}

SizeVerdict BinarySizeRule(const VelDirectoryEntry& source, const VelDirectoryEntry& destination) {
    SizeVerdict verdict;
    const uint32_t unknown = 0xFFFFFFFFu;
    if (source.SizeHigh == unknown || source.SizeLow == unknown ||
        destination.SizeHigh == unknown || destination.SizeLow == unknown)
        return verdict;
    if (source.SizeLow != destination.SizeLow || source.SizeHigh != destination.SizeHigh) {
        verdict.Copy = true;
        verdict.Explanation = SizeText("Source file size (", source,
                                       ") different to destination size (", destination);
    }
    return verdict;
}
