#include "tests/support/FaultyFtpServer.h"

#include <filesystem>
#include <sstream>

namespace {

std::vector<std::string> LinesOf(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadTextFile(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A field of the fault file holds no tab and no line end.
std::string Field(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return text;
}

}  // namespace

const char* FtpFaultName(FtpFault::Kind kind) {
    switch (kind) {
        case FtpFault::Kind::DropBefore:
            return "drop-before";
        case FtpFault::Kind::DropAfter:
            return "drop-after";
        case FtpFault::Kind::StallReply:
            return "stall-reply";
        case FtpFault::Kind::StallData:
            return "stall-data";
        case FtpFault::Kind::Refuse:
            return "refuse";
        case FtpFault::Kind::CutData:
            return "cut-data";
        case FtpFault::Kind::Answer421:
            return "answer-421";
        case FtpFault::Kind::ShortData:
            return "short-data";
    }
    return "?";
}

void FaultyFtpServer::Arm(const FtpFault& fault) {
    Armed.push_back(fault);
    ArmedIds.push_back(NextId++);
    WriteFaults();
}

void FaultyFtpServer::Disarm() {
    Armed.clear();
    ArmedIds.clear();
    WriteFaults();
}

void FaultyFtpServer::WriteFaults() {
    std::ostringstream text;
    for (size_t i = 0; i < Armed.size(); ++i) {
        const FtpFault& fault = Armed[i];
        text << ArmedIds[i] << '\t' << FtpFaultName(fault.What) << '\t'
             << (fault.Verb.empty() ? "-" : Field(fault.Verb)) << '\t' << fault.Nth << '\t'
             << fault.Times << '\t' << fault.Seconds << '\t' << fault.Bytes << '\t'
             << Field(fault.Reply) << '\n';
    }
    // Replaced whole, so the server never reads half a file.
    std::string next = FaultFile + ".next";
    WriteTextFile(next, text.str());
    std::error_code ignored;
    std::filesystem::rename(next, FaultFile, ignored);
}

std::vector<std::string> FaultyFtpServer::Commands() const {
    return LinesOf(CommandLog);
}

std::vector<std::string> FaultyFtpServer::Fired() const {
    std::vector<std::string> fired = LinesOf(FiredLog);
    for (std::string& line : fired) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos) line[tab] = ' ';
    }
    return fired;
}
