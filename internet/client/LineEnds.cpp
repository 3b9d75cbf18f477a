#include "internet/client/LineEnds.h"

namespace platform::ftpclient {

void LfToCrLf::Convert(const char* data, size_t size, std::string& out) {
    out.reserve(out.size() + size + size / 16);
    for (size_t i = 0; i < size; ++i) {
        char c = data[i];
        if (c == '\n' && !LastWasCr) out.push_back('\r');
        out.push_back(c);
        LastWasCr = c == '\r';
    }
}

void CrLfToLf::Convert(const char* data, size_t size, std::string& out) {
    out.reserve(out.size() + size + 1);
    for (size_t i = 0; i < size; ++i) {
        char c = data[i];
        if (PendingCr) {
            PendingCr = false;
            if (c != '\n') out.push_back('\r');
        }
        if (c == '\r')
            PendingCr = true;
        else
            out.push_back(c);
    }
}

void CrLfToLf::Finish(std::string& out) {
    if (PendingCr) out.push_back('\r');
    PendingCr = false;
}

}  // namespace platform::ftpclient
