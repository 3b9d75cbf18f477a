#include "internet/protocol/PassiveReply.h"

#include <cstddef>

namespace ftpprotocol {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads 1 to maxDigits digits at pos (leading zeros allowed) and moves past them.
bool ReadNumber(const std::string& text, size_t& pos, size_t maxDigits, unsigned long& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (pos - start == maxDigits) return false;
        value = value * 10 + unsigned(text[pos] - '0');
        ++pos;
    }
    return pos > start;
}

// Six numbers 0-255 separated by commas (a blank after a comma is tolerated),
// starting exactly at pos.
bool ReadSixNumbers(const std::string& text, size_t pos, unsigned long (&numbers)[6]) {
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') return false;
            ++pos;
            while (pos < text.size() && text[pos] == ' ') ++pos;
        }
        if (!ReadNumber(text, pos, 3, numbers[i]) || numbers[i] > 255) return false;
    }
    // "1,2,3,4,5,6,7" is not an address and port.
    return pos >= text.size() || (text[pos] != ',' && !IsDigit(text[pos]));
}

// "(|||port|)" at pos, delimiter d in 33-126; the parenthesis is optional.
bool ReadEpsvPort(const std::string& text, size_t pos, uint16_t& port) {
    char d = text[pos];
    if (d < 33 || d > 126 || IsDigit(d)) return false;
    if (pos + 3 >= text.size() || text[pos + 1] != d || text[pos + 2] != d) return false;
    pos += 3;
    unsigned long value = 0;
    if (!ReadNumber(text, pos, 5, value)) return false;
    if (pos >= text.size() || text[pos] != d || value == 0 || value > 65535) return false;
    port = uint16_t(value);
    return true;
}

}  // namespace

bool ParsePasvReply(const std::string& replyText, std::string& host, uint16_t& port) {
    for (size_t pos = 0; pos < replyText.size(); ++pos) {
        // Only where a run of numbers begins, so "1127,0,0,1,4,1" or a seventh number
        // never yields an address from the middle of the run.
        if (!IsDigit(replyText[pos]) || (pos > 0 && IsDigit(replyText[pos - 1]))) continue;
        size_t back = pos;
        while (back > 0 && replyText[back - 1] == ' ') --back;
        if (back > 0 && replyText[back - 1] == ',') continue;
        unsigned long n[6];
        if (!ReadSixNumbers(replyText, pos, n)) continue;
        unsigned long value = n[4] * 256 + n[5];
        if (value == 0) return false;
        host = std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) +
               "." + std::to_string(n[3]);
        port = uint16_t(value);
        return true;
    }
    return false;
}

bool ParseEpsvReply(const std::string& replyText, uint16_t& port) {
    // The group is normally in parentheses, but some servers leave them out; take
    // the first well-formed group wherever it stands.
    for (size_t pos = 0; pos < replyText.size(); ++pos) {
        if (ReadEpsvPort(replyText, pos, port)) return true;
    }
    return false;
}

}  // namespace ftpprotocol
