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

std::string FinalLine(const std::string& response) {
    std::string text = response;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t end = text.rfind('\n');
    return end == std::string::npos ? text : text.substr(end + 1);
}

int FinalCode(const std::string& response) {
    const std::string line = FinalLine(response);
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (line.size() < 3 || !digit(line[0]) || !digit(line[1]) || !digit(line[2])) return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

bool IsUnknownCommandReply(const std::string& response) {
    const int code = FinalCode(response);
    return code == 500 || code == 502 || code == 504;
}
