#pragma once
// A real FTP server (pyftpdlib, tests/support/faulty_ftpd.py) whose faults a test
// arms while it runs, for the tests of what a client or device does when a server
// drops, stalls, refuses or cuts off.
//
// The server: 127.0.0.1 on a free port (Port), one user "user" with password
// "secret" over the folder Root, passive and active transfers, every command of
// pyftpdlib. Like PyftpdlibServer, Started() is false with the reason in Problem
// when /usr/bin/python3 or its pyftpdlib module is missing. It runs as the test's
// own user and is stopped when the object goes.
//
// Faults. FtpFault(kind, verb, nth, times) describes one (WithSeconds, WithBytes
// and WithReply set what some kinds take); Arm(fault) arms it. It takes effect from
// the next command the server receives, on any connection, and stays armed until
// Disarm(). A fault counts the commands whose verb (first word, so "LIST" also
// counts "LIST -a", "SITE" counts "SITE CHMOD 644 f") is fault.Verb, or every
// command when Verb is empty (USER and PASS of a reconnect included), from the
// moment it is armed; it fires on the Nth of them and on the Times - 1 after it
// (Times 0: on every one from the Nth on). When several faults are due on one
// command, the one armed first fires (each counts the command all the same).
// What a fault does when it fires:
//
//   DropBefore  closes the control connection at once; the command is not carried
//               out. The client sees the session dropped (12111).
//   DropAfter   carries the command out (a DELE deletes, a STOR stores the whole
//               file, a RNTO renames), then closes the control connection instead
//               of sending the command's final reply (a 150 before a transfer is
//               still sent). The client sees 12111 although the command took effect.
//   StallReply  sends nothing and carries the command out only after Seconds
//               (0: never); the connection stays open. The client's call waits
//               until its own time limit or a close ends it.
//   StallData   a transfer (LIST, NLST, RETR, STOR, ...) starts as usual, lets Bytes
//               bytes through, then moves no data for Seconds (0: for good) and
//               goes on afterwards. On STOR, at least Bytes bytes are taken first.
//   Refuse      answers Reply (a whole reply line, default "550 Refused.") instead
//               of carrying the command out. The client sees 12003 with Reply as
//               its last response.
//   CutData     a transfer lets Bytes bytes through, then the server closes the
//               data connection and answers Reply (default "426 Connection
//               closed; transfer aborted."): a listing or download cut part-way.
//   Answer421   answers "421 " + Reply (default "Service not available, closing
//               control connection.") and closes the control connection (12111).
//   ShortData   a transfer lets Bytes bytes through, then the data stream ends as if
//               the transfer were whole and the server answers its usual 226: what
//               a middlebox that cuts data connections leaves. A listing or
//               download ends early; an upload keeps its first Bytes bytes only
//               (the rest is read and dropped).
//
// A binary RETR announces the file's size in its opening reply ("150 ... (N
// bytes)."), as vsftpd and ProFTPD do.
//
// Commands() gives every command line received (PASS with the password), in
// order; Fired() one line per fault that fired: its kind's name as in
// FtpFaultName, a blank, and the command line it fired on. Both are written
// before the server acts on the command, so they are complete once the client's
// call has returned.
//
// Threads: one test thread uses the object; the server is another process.

#include <string>
#include <utility>
#include <vector>

#include "tests/support/FtpServers.h"

struct FtpFault {
    enum class Kind {
        DropBefore,
        DropAfter,
        StallReply,
        StallData,
        Refuse,
        CutData,
        Answer421,
        ShortData
    };
    explicit FtpFault(Kind what, std::string verb = "", int nth = 1, int times = 1)
        : What(what), Verb(std::move(verb)), Nth(nth), Times(times) {}
    FtpFault& WithSeconds(double seconds) {
        Seconds = seconds;
        return *this;
    }
    FtpFault& WithBytes(size_t bytes) {
        Bytes = bytes;
        return *this;
    }
    FtpFault& WithReply(std::string reply) {
        Reply = std::move(reply);
        return *this;
    }

    Kind What;
    std::string Verb;    // upper case ("LIST", "STOR", "SITE"); empty: any command
    int Nth = 1;         // fires on the Nth command it counts (1: the next one)
    int Times = 1;       // and on Times - 1 more; 0: on every one from the Nth on
    double Seconds = 0;  // StallReply, StallData: how long; 0: for good
    size_t Bytes = 0;    // StallData, CutData, ShortData: data bytes let through first
    std::string Reply;   // Refuse, CutData: the reply line; Answer421: the text after "421 "
};

// "drop-before", "drop-after", "stall-reply", "stall-data", "refuse", "cut-data",
// "answer-421", "short-data".
const char* FtpFaultName(FtpFault::Kind kind);

class FaultyFtpServer : public ExternalFtpServer {
public:
    explicit FaultyFtpServer(const std::string& host = "127.0.0.1");
    const std::string User = "user";
    const std::string Password = "secret";

    void Arm(const FtpFault& fault);
    void Disarm();
    std::vector<std::string> Commands() const;
    std::vector<std::string> Fired() const;

private:
    void WriteFaults();

    std::string CommandLog, FaultFile, FiredLog;
    std::vector<FtpFault> Armed;
    std::vector<int> ArmedIds;
    int NextId = 1;
};
