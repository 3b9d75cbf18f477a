#include "platform/ftp/FtpReply.h"

FtpReplyReader::FtpReplyReader(size_t maxLineLength, size_t maxReplyLength)
    : MaxLineLength(maxLineLength), MaxReplyLength(maxReplyLength) {}

void FtpReplyReader::Feed(const char*, size_t) {}

FtpReplyReader::Status FtpReplyReader::Next(FtpReply&) { return Status::NeedMore; }

size_t FtpReplyReader::Buffered() const { return 0; }

void FtpReplyReader::TakeLine() {}

void FtpReplyReader::Fail(Status fault) { Fault = fault; }
