#include "ftp/ServerFeatures.h"

#include <cctype>

#include "ftp/FtpResponse.h"

namespace {

std::string InCapitals(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The facts of an MLST feature line ("MLST type*;size*;UNIX.mode;"): which of
// those the device reads are offered, and whether any of them is off.
std::string FactsToAsk(const std::string& facts) {
    static const char* const read[] = {"TYPE", "SIZE", "MODIFY", "PERM", "UNIX.MODE"};
    std::string asked;
    bool anyOff = false;
    for (size_t start = 0; start < facts.size();) {
        size_t end = facts.find(';', start);
        if (end == std::string::npos) end = facts.size();
        std::string fact = facts.substr(start, end - start);
        start = end + 1;
        const bool on = !fact.empty() && fact.back() == '*';
        if (on) fact.pop_back();
        for (const char* name : read) {
            if (InCapitals(fact) != name) continue;
            asked += fact + ";";
            anyOff = anyOff || !on;
        }
    }
    return anyOff ? asked : "";
}

}  // namespace

ServerFeatures ReadFeatReply(const std::string& reply) {
    ServerFeatures features;
    if (FinalCode(reply) != 211) return features;
    // The features are the lines between the first and the last, each indented
    // by a blank: a name, then what it offers.
    for (size_t start = reply.find('\n'); start != std::string::npos;) {
        const size_t end = reply.find('\n', start + 1);
        std::string line =
            reply.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        start = end;
        if (line.empty() || line[0] != ' ') continue;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        const size_t nameStart = line.find_first_not_of(' ');
        if (nameStart == std::string::npos) continue;
        const size_t nameEnd = line.find(' ', nameStart);
        const std::string name = InCapitals(line.substr(nameStart, nameEnd - nameStart));
        features.Listed = true;
        const std::string offer =
            nameEnd == std::string::npos ? "" : line.substr(line.find_first_not_of(' ', nameEnd));
        if (name == "MLST" || name == "MLSD") features.Mlsd = true;
        if (name == "MLST") features.MlstFactsToAsk = FactsToAsk(offer);
        if (name == "MFMT") features.Mfmt = true;
        // "AUTH TLS", or every mechanism on one line ("AUTH SSL;TLS").
        if (name == "AUTH" && InCapitals(offer).find("TLS") != std::string::npos)
            features.OffersTls = true;
    }
    return features;
}
