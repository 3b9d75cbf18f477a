#include "internet/protocol/ListingReader.h"

#include <cstring>

#include "internet/protocol/ListingParser.h"

namespace ftpprotocol {

ListingReader::ListingReader(const CalendarTime& now, Sink sink, size_t maxBytes,
                             size_t maxLineLength, LineParser parser)
    : Now(now),
      Deliver(std::move(sink)),
      MaxBytes(maxBytes),
      MaxLineLength(maxLineLength),
      Parse(parser != nullptr ? parser : ParseListingLine) {}

ListingReader::Status ListingReader::Feed(const char* data, size_t size) {
    if (Fault != Status::Reading) return Fault;
    if (size > MaxBytes - BytesSeen) {
        Fault = Status::TooLarge;
        return Fault;
    }
    BytesSeen += size;
    while (size > 0) {
        const char* end = static_cast<const char*>(std::memchr(data, '\n', size));
        size_t take = end ? size_t(end - data) : size;
        // A CR that belongs to the line end may stand one byte past the cap.
        if (Line.size() + take > MaxLineLength + 1) {
            Fault = Status::LineTooLong;
            Line = std::string();
            return Fault;
        }
        Line.append(data, take);
        if (!end) break;
        data += take + 1;
        size -= take + 1;
        TakeLine();
        if (Fault != Status::Reading) return Fault;
    }
    return Fault;
}

ListingReader::Status ListingReader::Finish() {
    if (Fault == Status::Reading && !Line.empty()) {
        // A listing broken off in the middle of a line: what came may be any part
        // of the folder, and the piece of a line is no entry.
        Fault = Status::Unterminated;
        Line = std::string();
    }
    return Fault;
}

void ListingReader::TakeLine() {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (Line.size() > MaxLineLength) {
        Fault = Status::LineTooLong;
        Line = std::string();
        return;
    }
    if (Parse(Line, Now, Record)) {
        ++EntriesSeen;
        Deliver(Record);
    }
    Line.clear();
}

}  // namespace ftpprotocol
