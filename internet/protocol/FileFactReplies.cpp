#include "internet/protocol/FileFactReplies.h"

#include "common/FileTimeCalendar.h"
#include "internet/protocol/ListingFields.h"
#include "internet/protocol/ListingParser.h"

namespace ftpprotocol {

namespace {

// The text of a single-line 213 reply, without its code and line end.
bool FileStatusText(const std::string& reply, std::string& text) {
    if (reply.compare(0, 4, "213 ") != 0) return false;
    size_t end = reply.find_first_of("\r\n", 4);
    text = reply.substr(4, end == std::string::npos ? std::string::npos : end - 4);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return !text.empty();
}

}  // namespace

bool ReadSizeReply(const std::string& reply, uint64_t& size) {
    std::string text;
    return FileStatusText(reply, text) && listing::ReadUnsigned(text, 20, size);
}

bool ReadTimeReply(const std::string& reply, FileTime& time) {
    std::string text;
    CalendarTime calendar;
    if (!FileStatusText(reply, text) || !ParseFtpTimestamp(text, calendar)) return false;
    time = FileTimeFromCalendar(calendar);
    return true;
}

bool ReadAnnouncedSize(const std::string& reply, uint64_t& size) {
    const std::string tail = " bytes)";
    size_t at = reply.find(tail);
    if (at == std::string::npos) return false;
    size_t open = reply.rfind('(', at);
    if (open == std::string::npos) return false;
    return listing::ReadUnsigned(reply.substr(open + 1, at - open - 1), 20, size);
}

}  // namespace ftpprotocol
