// libFuzzer target: the reply reader and the PASV/EPSV parsers on server bytes.
// The first input byte chooses where the rest is split into two reads, so that
// line ends and codes falling across reads are explored too.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "internet/protocol/FtpReply.h"
#include "internet/protocol/PassiveReply.h"

using namespace ftpprotocol;

namespace {

constexpr size_t MaxLine = 64;
constexpr size_t MaxReply = 512;

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckReply(const FtpReply& reply) {
    Require(reply.Code >= 0 && reply.Code <= 999);
    Require(reply.Text.size() >= 5 && reply.Text.size() <= MaxReply);
    Require(reply.Text.compare(reply.Text.size() - 2, 2, "\r\n") == 0);
    std::string host;
    uint16_t port = 0;
    if (ParsePasvReply(reply.Text, host, port)) Require(port != 0 && host.size() <= 15);
    port = 0;
    if (ParseEpsvReply(reply.Text, port)) Require(port != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t cut = data[0] % size;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    size_t length = size - 1;
    cut = cut > length ? length : cut;

    FtpReplyReader reader(MaxLine, MaxReply);
    FtpReply reply;
    FtpReplyReader::Status status = FtpReplyReader::Status::NeedMore;
    for (auto [from, to] : {std::pair{size_t(0), cut}, std::pair{cut, length}}) {
        reader.Feed(bytes + from, to - from);
        // A bare LF is stored as CR LF, so at most twice what was fed.
        Require(reader.Buffered() <= 2 * length);
        while ((status = reader.Next(reply)) == FtpReplyReader::Status::Complete) {
            CheckReply(reply);
        }
        Require(reader.Buffered() <= MaxReply + MaxLine + 1);
    }
    // A fault is final.
    if (status == FtpReplyReader::Status::TooLong || status == FtpReplyReader::Status::Malformed) {
        reader.Feed("200 ok\r\n", 8);
        Require(reader.Next(reply) == status);
    }
    return 0;
}
