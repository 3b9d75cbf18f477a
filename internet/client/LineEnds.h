#pragma once
// Internal to the program's own FTP client: the line-end conversions of text (ASCII)
// transfers, applied chunk by chunk as data streams through. Pure.
//
// Upload: a bare LF becomes CR LF; a CR LF already in the file is sent unchanged
// (doubling its CR would corrupt the file). Download: CR LF becomes LF; a CR that
// is not followed by LF is kept. A CR at the end of one chunk is matched against
// the first byte of the next.

#include <cstddef>
#include <string>

namespace platform::ftpclient {

class LfToCrLf {
public:
    // Appends the converted chunk to out.
    void Convert(const char* data, size_t size, std::string& out);

private:
    bool LastWasCr = false;
};

class CrLfToLf {
public:
    void Convert(const char* data, size_t size, std::string& out);
    // The end of the stream: a CR held back from the last chunk goes out.
    void Finish(std::string& out);

private:
    bool PendingCr = false;
};

}  // namespace platform::ftpclient
