#include "internet/protocol/FtpReply.h"

#include <cstring>

namespace ftpprotocol {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The reply code a line begins with, or -1. separator receives the character after
// the code: ' ', '-' or '\0' for a line of just the code.
int LineCode(const std::string& line, char& separator) {
    if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return -1;
    separator = line.size() == 3 ? '\0' : line[3];
    if (separator != '\0' && separator != ' ' && separator != '-') return -1;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

}  // namespace

FtpReplyReader::FtpReplyReader(size_t maxLineLength, size_t maxReplyLength)
    : MaxLineLength(maxLineLength), MaxReplyLength(maxReplyLength) {}

void FtpReplyReader::Feed(const char* data, size_t size) {
    while (size > 0 && Fault == Status::NeedMore) {
        const char* end = static_cast<const char*>(std::memchr(data, '\n', size));
        size_t take = end ? size_t(end - data) : size;
        // Check before storing, so a flood without line ends never grows the buffer.
        // A CR that belongs to the line end is allowed one byte past the cap.
        size_t limit = MaxLineLength + 1;
        if (Line.size() + take > limit) {
            Fail(Status::TooLong);
            return;
        }
        Line.append(data, take);
        data += take;
        size -= take;
        if (!end) return;
        ++data;
        --size;
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        if (Line.size() > MaxLineLength) {
            Fail(Status::TooLong);
            return;
        }
        TakeLine();
    }
}

void FtpReplyReader::TakeLine() {
    char separator = 0;
    int code = LineCode(Line, separator);
    if (Current.Code == 0 && code < 0) {
        Fail(Status::Malformed);
        return;
    }
    if (Current.Text.size() + Line.size() + 2 > MaxReplyLength) {
        Fail(Status::TooLong);
        return;
    }
    bool starts = Current.Code == 0;
    if (starts) Current.Code = code;
    Current.Text.append(Line).append("\r\n");
    Line.clear();
    // A multi-line reply goes on until a line with its own code and a blank (or
    // nothing) after it; inner lines may start with any digits.
    bool ends = starts ? separator != '-' : code == Current.Code && separator != '-';
    if (!ends) return;
    ReadyBytes += Current.Text.size();
    Ready.push_back(std::move(Current));
    Current = FtpReply();
}

FtpReplyReader::Status FtpReplyReader::Next(FtpReply& reply) {
    if (!Ready.empty()) {
        reply = std::move(Ready.front());
        Ready.pop_front();
        ReadyBytes -= reply.Text.size();
        return Status::Complete;
    }
    return Fault;
}

size_t FtpReplyReader::Buffered() const {
    return ReadyBytes + Current.Text.size() + Line.size();
}

void FtpReplyReader::Fail(Status fault) {
    Fault = fault;
    Line.clear();
    Line.shrink_to_fit();
    Current = FtpReply();
}

}  // namespace ftpprotocol
