#include "internet/client/ThreadResponse.h"

namespace platform::ftpclient {

namespace {
struct LastResponse {
    bool Known = false;
    uint32_t Error = 0;
    std::string Text;
};
thread_local LastResponse lastResponse;
}  // namespace

void SetThreadLastResponse(uint32_t error, const std::string& text) {
    lastResponse.Known = true;
    lastResponse.Error = error;
    lastResponse.Text = text;
}

bool GetThreadLastResponse(uint32_t& error, std::string& text) {
    if (!lastResponse.Known) return false;
    error = lastResponse.Error;
    text = lastResponse.Text;
    return true;
}

}  // namespace platform::ftpclient
