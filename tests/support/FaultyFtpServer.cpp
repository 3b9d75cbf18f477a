#include "tests/support/FaultyFtpServer.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
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
    }
    return "?";
}

FaultyFtpServer::FaultyFtpServer(const std::string& host) {
    Root = Folder / "root";
    CommandLog = Folder / "commands.log";
    FaultFile = Folder / "faults";
    FiredLog = Folder / "fired.log";
    mkdir(Root.c_str(), 0755);
    WriteTextFile(CommandLog, "");
    WriteTextFile(FiredLog, "");
    if (access("/usr/bin/python3", X_OK) != 0) {
        Problem = "/usr/bin/python3 is not installed";
        return;
    }
    std::string script = std::string(VELCOPY_SOURCE_DIR) + "/tests/support/faulty_ftpd.py";
    int out = -1;
    if (!Spawn({"/usr/bin/python3", script, Root, CommandLog, FaultFile, FiredLog, host}, &out)) {
        Problem = "cannot start /usr/bin/python3";
        return;
    }
    pollfd wait{out, POLLIN, 0};
    char text[32] = {};
    if (poll(&wait, 1, 10000) == 1 && read(out, text, sizeof text - 1) > 0)
        Port = uint16_t(atoi(text));
    close(out);
    if (Port == 0) Problem = "the faulty server did not start (is python3-pyftpdlib installed?)";
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
    std::rename(next.c_str(), FaultFile.c_str());
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
