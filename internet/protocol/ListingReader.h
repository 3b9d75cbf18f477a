#pragma once
// Reading a listing reply (LIST or MLSD) as it arrives: the bytes are cut into
// lines and every line that is an entry is handed on as a find record at once,
// so a listing is never held as text. Pure: no sockets, no clock (the caller
// passes the current time).
//
// Lines end in LF, CR LF standing for one line end. Every line of a listing
// ends so: a last line without its line end is what a data connection that was
// cut part-way leaves, so Finish reports Unterminated for it and does not take
// it. Each record goes to the sink, which may keep it or drop it; Entries()
// counts them all.
//
// Limits: at most maxBytes bytes in all and maxLineLength bytes in one line (its
// line end excluded). Beyond either, Feed reports TooLarge or LineTooLong and from
// then on reports it again and takes nothing more: a line that long is no folder
// entry, and a listing cut there would be taken for a shorter folder.
//
// Memory held: the line in progress only. Not thread-safe.

#include <cstddef>
#include <functional>
#include <string>

#include "common/DateTime.h"
#include "platform/FindData.h"

namespace ftpprotocol {

class ListingReader {
public:
    using Sink = std::function<void(platform::FindData& record)>;
    // Reads one line (without its line end) into a record; false: no entry.
    using LineParser = bool (*)(const std::string& line, const CalendarTime& now,
                                platform::FindData& record);
    enum class Status { Reading, TooLarge, LineTooLong, Unterminated };

    // parser: ParseListingLine (LIST) unless given, or ParseMlsdListingLine.
    ListingReader(const CalendarTime& now, Sink sink, size_t maxBytes, size_t maxLineLength,
                  LineParser parser = nullptr);

    Status Feed(const char* data, size_t size);
    Status Finish();

    size_t Bytes() const { return BytesSeen; }
    size_t Entries() const { return EntriesSeen; }

private:
    void TakeLine();

    CalendarTime Now;
    Sink Deliver;
    size_t MaxBytes;
    size_t MaxLineLength;
    LineParser Parse;
    size_t BytesSeen = 0;
    size_t EntriesSeen = 0;
    std::string Line;  // the line in progress, without its line end
    platform::FindData Record;
    Status Fault = Status::Reading;
};

}  // namespace ftpprotocol
