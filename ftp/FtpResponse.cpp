#include "ftp/FtpResponse.h"

bool ResponseHasCode(const std::string& code, const std::string& response) {
    if (code.empty() || response.empty()) return false;
    if (response.compare(0, code.size(), code) == 0) return true;
    return response.find("\r\n" + code) != std::string::npos;
}

bool IsPositiveCompletion(const std::string& response) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return response.size() >= 3 && response[0] == '2' && digit(response[1]) && digit(response[2]);
}
