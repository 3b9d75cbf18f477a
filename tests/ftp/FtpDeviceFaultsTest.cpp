// The FTP device against a fake server that refuses, stalls and drops commands
// on cue: the messages of each recovery path in order, the retry state after it,
// and the bounds that keep a failing server from holding a run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "ftp/FtpStorage.h"
#include "platform/ErrorCodes.h"
#include "tests/ftp/FakeFtpServer.h"
#include "tests/support/RecordingOutput.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class FtpDeviceFaults : public ::testing::Test {
protected:
    // Passive only: the fake serves no active data connections. The watchdog
    // gives a call one silent second.
    FtpStorageDevice& Connected(FakeFtpServer& server, int connectSeconds = 5) {
        Device = std::make_unique<FtpStorageDevice>(Out, connectSeconds, 1);
        Device->SetOptions(FtpStorageDevice::PassiveOnly);
        EXPECT_TRUE(Device->Connect(server.Location(), "u", "p", "")) << Said();
        Out.Messages.clear();
        return *Device;
    }
    std::string Said() const {
        std::string all;
        for (const std::string& line : Out.Lines()) all += line + "\n";
        return all;
    }

    RecordingOutput Out;
    std::unique_ptr<FtpStorageDevice> Device;
};

// A hook that answers one verb with a reply (or, for an empty reply, stalls) and
// leaves the rest to the defaults.
FakeFtpServer::Hook Answer(const std::string& verb, const std::string& reply, bool drop = false) {
    return [=](FakeFtpServer& server, ScriptedSession& session, const std::string& v,
               const std::string&) {
        if (v != verb) return false;
        server.Drop = drop;
        if (!reply.empty()) session.Send(reply + "\r\n");
        return true;
    };
}

TEST_F(FtpDeviceFaults, PortAbove65535IsRefusedBeforeAnythingIsSent) {
    FtpStorageDevice device(Out, 5, 1);
    EXPECT_FALSE(device.Connect("ftp://127.0.0.1:65536/x", "u", "p", ""));
    EXPECT_THAT(Out.Lines(), ElementsAre("!! Error: Cannot connect to ftp://127.0.0.1:65536/x: the "
                                         "port 65536 is not a valid port (1 to 65535)."));
}

TEST_F(FtpDeviceFaults, LoginThatHangsTimesOutOnceWithoutAProbe) {
    ScriptedFtpServer silent("220 hello\r\n", [](ScriptedSession&, const std::string&) {
        return true;  // never answers
    });
    FtpStorageDevice device(Out, 1, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(device.Connect("ftp://127.0.0.1:" + std::to_string(silent.Port()), "u", "p", ""));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_THAT(
        Out.Lines(),
        ElementsAre("!! Error: Failed to connect to server 127.0.0.1. Connection timedout."));
    EXPECT_EQ(silent.Connections(), 1);
}

TEST_F(FtpDeviceFaults, NothingListeningIsProbedAndReported) {
    uint16_t port = 0;
    close(ListenOnLoopback(1, port));
    FtpStorageDevice device(Out, 5, 1);
    device.SetOptions(FtpStorageDevice::PassiveOnly);
    EXPECT_FALSE(device.Connect("ftp://127.0.0.1:" + std::to_string(port) + "/x", "u", "p", ""));
    ASSERT_FALSE(Out.Messages.empty());
    EXPECT_TRUE(Out.Has(mcExplain, "Trying active rather than passive."));
    EXPECT_EQ(Out.Messages.back().Class, mcError);
    EXPECT_THAT(Out.Messages.back().Text, HasSubstr("Failed to connect to server 127.0.0.1.\r\n"
                                                    "Error code: 0\r\nDescription: "));
    EXPECT_THAT(Out.Messages.back().Text, ::testing::EndsWith("\r\nLast response: No FTP server."));
}

TEST_F(FtpDeviceFaults, ChmodRepliesDecideSupport) {
    struct {
        std::vector<std::string> replies;
        bool supported;
        std::vector<std::string> lines;
    } cases[] = {
        {{"200 SITE CHMOD command successful."}, true, {}},
        {{"250 Done."}, true, {}},
        {{"500 'SITE CHMOD': command not understood."},
         false,
         {"!! Warning: 500 'SITE CHMOD': command not understood.",
          "!! Warning: CHMOD not supported by FTP server"}},
        // A learnt answer stays; every refusal is still reported.
        {{"200 Okay.", "550 Permission denied."},
         true,
         {"!! Warning: 550 Permission denied.", "!! Warning: CHMOD not supported by FTP server"}},
    };
    for (const auto& c : cases) {
        size_t next = 0;
        FakeFtpServer server([&](FakeFtpServer&, ScriptedSession& session, const std::string& verb,
                                 const std::string&) {
            return verb == "SITE" && session.Send(c.replies[next++] + "\r\n");
        });
        FtpStorageDevice& device = Connected(server);
        EXPECT_TRUE(device.SupportsChmod());
        for (size_t i = 0; i < c.replies.size(); ++i)
            EXPECT_TRUE(device.Chmod(server.Location(), "a.txt", "644"));
        EXPECT_EQ(device.SupportsChmod(), c.supported) << c.replies[0];
        EXPECT_EQ(Out.Lines(), c.lines) << c.replies[0];
        EXPECT_EQ(server.Commands().back(), "SITE CHMOD 644 a.txt");
    }
}

TEST_F(FtpDeviceFaults, MissingFolderIsReportedAfterOneRenegotiation) {
    FakeFtpServer server;
    server.Listings["/"] = ListingLine("a.txt");
    FtpStorageDevice& device = Connected(server);
    const std::string missing = server.Location("/missing");
    EXPECT_FALSE(device.FolderExists(missing));
    const std::string description = "Internet extended error: 550 No such directory.";
    EXPECT_THAT(Out.Lines(),
                ElementsAre("!! Warning: Problem changing directory to " + missing +
                                " (error 12003)." + description + " root:  cwd:  real: /missing",
                            "!! Warning: Renegotiating connection",
                            "!! Error: Cannot change directory to " + missing + " (error 12003)." +
                                description + " root:  cwd: "));
    EXPECT_EQ(device.CurrentRetryState(), 1);
    EXPECT_EQ(server.Connections(), 2);
    device.ListFolder(server.Location(), "", false);
    EXPECT_EQ(device.CurrentRetryState(), 0);
}

TEST_F(FtpDeviceFaults, FoldersAreBelowTheLoginFolder) {
    FakeFtpServer server;
    server.LoginFolder = "/home/u";
    server.Folders = {"/home/u", "/home/u/pub"};
    FtpStorageDevice& device = Connected(server);
    EXPECT_EQ(device.LoginFolder(), "/home/u");
    device.ListFolder(server.Location("/pub"), "", false);
    device.ListFolder(server.Location("/pub"), "", false);
    // A single slash after the scheme names the same folder.
    device.ListFolder("ftp:/127.0.0.1:" + std::to_string(server.Port()) + "/pub", "", false);
    EXPECT_EQ(server.Count("CWD"), 1);
    EXPECT_EQ(server.Count("CWD /home/u/pub"), 1);
    EXPECT_EQ(device.LastErrorCode(), ErrorCode::NoMoreFiles);
}

TEST_F(FtpDeviceFaults, LoginFolderThatCannotBeReadAgainStaysAsItWas) {
    int logins = 0;
    FakeFtpServer server(
        [&](FakeFtpServer&, ScriptedSession& session, const std::string& verb, const std::string&) {
            if (verb == "PWD" && ++logins > 1) return session.Send("500 Not today.\r\n");
            return false;
        });
    server.LoginFolder = "/home/u";
    server.Folders = {"/home/u", "/home/u/pub"};
    FtpStorageDevice& device = Connected(server);
    EXPECT_FALSE(device.FolderExists(server.Location("/nowhere")));  // renegotiates
    EXPECT_TRUE(device.FolderExists(server.Location("/pub")));
    EXPECT_EQ(device.LoginFolder(), "/home/u");
    EXPECT_EQ(server.Commands().back(), "CWD /home/u/pub");
}

// A listing that did not complete is never a folder's contents: an empty list and
// a code other than 18; one read to its end leaves 18.
TEST_F(FtpDeviceFaults, ListingThatDidNotCompleteIsNoEmptyFolder) {
    struct {
        const char* what;
        FakeFtpServer::Hook hook;
        std::string folder;
        int entries;
        bool complete;
    } cases[] = {
        {"complete", nullptr, "/", 2, true},
        {"empty", nullptr, "/empty", 0, true},
        {"folder cannot be entered", nullptr, "/missing", 0, false},
        {"150, no data, 450",
         [](FakeFtpServer& s, ScriptedSession& session, const std::string& verb,
            const std::string&) {
             return verb == "LIST" && s.FailTransfer(session, "450 No files found");
         },
         "/", 0, false},
        {"dropped every time", Answer("LIST", "", true), "/", 0, false},
        {"421", Answer("LIST", "421 Service not available", true), "/", 0, false},
    };
    for (const auto& c : cases) {
        FakeFtpServer server(c.hook);
        server.Folders = {"/", "/empty"};
        server.Listings["/"] = ListingLine("a.txt") + ListingLine("sub", true);
        FtpStorageDevice& device = Connected(server);
        auto list = device.ListFolder(server.Location(c.folder), "", false);
        EXPECT_EQ(list->Count(), c.entries) << c.what;
        EXPECT_EQ(device.LastErrorCode() == ErrorCode::NoMoreFiles, c.complete) << c.what << "\n"
                                                                                << Said();
        EXPECT_NE(device.LastErrorCode(), 0u) << c.what;
        EXPECT_LE(server.Connections(), 3) << c.what;  // at most two repetitions
    }
}

TEST_F(FtpDeviceFaults, RefusedListingRenegotiatesThenSwitchesModeThenFails) {
    FakeFtpServer server(Answer("LIST", "450 No files found"));
    FtpStorageDevice& device = Connected(server);
    device.ListFolder(server.Location(), "", false);
    EXPECT_THAT(Out.Lines(), ElementsAre("!! Warning: Renegotiating connection",
                                         "!! Warning: Renegotiating connection type",
                                         "!! Error: Error listing files in " + server.Location() +
                                             " (error 12003). Internet extended error: 500 "
                                             "Passive mode only."));
    EXPECT_EQ(device.CurrentRetryState(), 3);
    EXPECT_FALSE(device.UsesPassiveMode());
}

// Every stall costs the watchdog's time, and a call is repeated at most twice,
// whatever the retry states would allow.
TEST_F(FtpDeviceFaults, ServerThatStallsOnEveryCommandDoesNotHoldTheRun) {
    TempFolder local;
    WriteTextFile(local / "up.txt", "data");
    struct {
        const char* verb;
        std::function<bool(FtpStorageDevice&, const std::string&)> call;
        int sent;
        std::vector<std::string> warnings;
    } cases[] = {
        {"LIST",
         [](FtpStorageDevice& d, const std::string& at) {
             return d.ListFolder(at, "", false)->Count() > 0 ||
                    d.LastErrorCode() == ErrorCode::NoMoreFiles;
         },
         2,
         {"Timedout - retrying", "Renegotiating connection type"}},
        {"STOR",
         [&](FtpStorageDevice& d, const std::string& at) {
             return d.PutFile(local / "up.txt", at, "up.txt", true);
         },
         3,
         {"Timedout - Retrying", "Timedout - Retrying"}},
        {"RNFR",
         [](FtpStorageDevice& d, const std::string& at) {
             return d.RenameFile(at, "a.txt", "b.txt");
         },
         2,
         {"Timedout (rename) - retrying"}},
    };
    for (const auto& c : cases) {
        FakeFtpServer server([&](FakeFtpServer&, ScriptedSession&, const std::string& verb,
                                 const std::string&) { return verb == c.verb; });
        FtpStorageDevice& device = Connected(server);
        EXPECT_FALSE(c.call(device, server.Location())) << c.verb;
        EXPECT_EQ(server.Count(c.verb), c.sent) << c.verb;
        EXPECT_EQ(Out.TextsOf(mcWarning), c.warnings) << c.verb;
        EXPECT_NE(device.LastErrorCode(), ErrorCode::NoMoreFiles);
    }
}

TEST_F(FtpDeviceFaults, FailedReconnectShowsWhatTheServerSaysNow) {
    FakeFtpServer server(Answer("CWD", "421 Going down.", true));
    FtpStorageDevice& device = Connected(server);
    ASSERT_TRUE(device.Chmod("", "a.txt", "644"));  // this thread's last reply: 200
    server.RefuseLogins = 100;
    EXPECT_FALSE(device.FolderExists(server.Location("/x")));
    for (const std::string& line : Out.Lines()) EXPECT_EQ(line.find("200"), std::string::npos);
    EXPECT_THAT(Out.TextsOf(mcError).at(0),
                HasSubstr("\r\nLast response: 220 fake ready\r\n530 Not now."));
    EXPECT_EQ(Out.TextsOf(mcError).at(1), "Failed to renegotiate connection");
}

// A server that will not store over a read-only file: the file is made writable
// and stored again, in binary mode; when it cannot be made writable the refusal
// goes on through the reconnects and ends as the upload's failure.
TEST_F(FtpDeviceFaults, RefusedUploadOverAReadOnlyFileIsCompensated) {
    TempFolder local;
    WriteTextFile(local / "up.txt", "new");
    for (bool listed : {true, false}) {
        int stores = 0;
        FakeFtpServer server([&](FakeFtpServer&, ScriptedSession& session, const std::string& verb,
                                 const std::string&) {
            return verb == "STOR" && (++stores == 1 || !listed) &&
                   session.Send("553 Could not create file.\r\n");
        });
        if (listed) server.Listings["/"] = "-r--r--r-- 1 u g 3 Jan 02  2026 a.txt\r\n";
        FtpStorageDevice& device = Connected(server);
        EXPECT_EQ(device.PutFile(local / "up.txt", server.Location(), "a.txt", false), listed);
        const std::vector<std::string> warnings = Out.TextsOf(mcWarning);
        ASSERT_GE(warnings.size(), 2u);
        EXPECT_EQ(warnings[0], "Mishap copying file " + local / "up.txt" + " to " +
                                   server.Location() +
                                   "\r\nCode: 12003\r\nDescription: Internet extended error: 553 "
                                   "Could not create file.\r\nLast response: 553 Could not create "
                                   "file.");
        EXPECT_EQ(warnings[1], "Compensating...");
        if (listed) {
            EXPECT_EQ(warnings.size(), 2u);
            EXPECT_EQ(server.Count("SITE CHMOD 666 a.txt"), 1);
            EXPECT_EQ(server.Files["/a.txt"], "new");
            EXPECT_EQ(server.Commands()[server.Commands().size() - 3], "TYPE I");
        } else {
            EXPECT_EQ(warnings[2], "Failed...");
            EXPECT_THAT(Out.TextsOf(mcError).back(),
                        StartsWith("Failed to copy file " + local / "up.txt" + " to " +
                                   server.Location() + "\r\nError code (C): 12003\r\n"));
            EXPECT_EQ(server.Count("STOR"), 3);
        }
    }
}

TEST_F(FtpDeviceFaults, DeleteAfterAReconnectChecksTheListing) {
    struct {
        const char* what;
        std::string listing;  // after the reconnect
        bool listingFails;
        bool result;
        int deletes;
    } cases[] = {
        {"gone", ListingLine("other.txt"), false, true, 1},
        {"still there: deleted again", ListingLine("a.txt"), false, true, 2},
        {"the listing fails", "", true, false, 1},
    };
    for (const auto& c : cases) {
        int deletes = 0;
        FakeFtpServer server([&](FakeFtpServer& s, ScriptedSession& session,
                                 const std::string& verb, const std::string&) {
            if (verb == "DELE" && ++deletes == 1) {
                s.Drop = true;  // the connection breaks under the first delete
                return true;
            }
            return verb == "LIST" && c.listingFails && session.Send("450 Try later.\r\n");
        });
        server.Listings["/"] = c.listing;
        FtpStorageDevice& device = Connected(server);
        EXPECT_EQ(device.DeleteFile(server.Location(), "a.txt", true), c.result) << c.what;
        EXPECT_EQ(server.Count("DELE"), c.deletes) << c.what;
        EXPECT_EQ(Out.TextsOf(mcWarning).at(0), "Timedout - retrying") << c.what;
        if (c.result) {
            EXPECT_EQ(device.CurrentRetryState(), 0) << c.what;
        } else {
            EXPECT_THAT(Out.TextsOf(mcError).back(),
                        ::testing::StartsWith("Failed to delete file " + server.Location() +
                                              "/a.txt (error 12003). "));
        }
    }
}

TEST_F(FtpDeviceFaults, NamesThatAreNotPlainAreLeftOut) {
    FakeFtpServer server;
    server.Listings["/"] = ListingLine("good.txt") + ListingLine("back\\slash.txt") +
                           ListingLine("..") + ListingLine(std::string("nul\0x", 5)) +
                           ListingLine("..", true) + ListingLine(std::string(300, 'n'));
    FtpStorageDevice& device = Connected(server);
    auto list = device.ListFolder(server.Location(), "", false);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->EntryAt(1)->Name, "good.txt");
    EXPECT_EQ(list->EntryAt(2)->Name, "..");
    EXPECT_EQ(device.LastErrorCode(), ErrorCode::NoMoreFiles);
    EXPECT_EQ(Out.CountOf(mcWarning), 4);
    EXPECT_THAT(Out.TextsOf(mcWarning)[0], HasSubstr("\"back\\slash.txt\""));
    EXPECT_THAT(Out.TextsOf(mcWarning)[2], HasSubstr("\"nul\\x00x\""));

    for (const char* name : {"..", "../etc/passwd", "a/b"})
        EXPECT_EQ(device.GetLocalCopy(server.Location(), name), "") << name;
    EXPECT_EQ(server.Count("RETR"), 0);
}

TEST_F(FtpDeviceFaults, DownloadsOfOneNameFromTwoFoldersDoNotMeet) {
    FakeFtpServer server;
    server.Folders = {"/", "/a", "/b"};
    server.Files = {{"/a/x.txt", "from a"}, {"/b/x.txt", "from b"}};
    FtpStorageDevice& device = Connected(server);
    const std::string first = device.GetLocalCopy(server.Location("/a"), "x.txt");
    const std::string second = device.GetLocalCopy(server.Location("/b"), "x.txt");
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(ReadTextFile(first), "from a");
    EXPECT_EQ(ReadTextFile(second), "from b");
    EXPECT_EQ(first.rfind(device.DownloadFolder() + "/", 0), 0u);
    EXPECT_EQ(ModeOf(device.DownloadFolder()), 0700u);

    device.ReleaseLocalCopy(first);
    device.ReleaseLocalCopy(first);
    EXPECT_NE(access(first.c_str(), F_OK), 0);
    TempFolder elsewhere;
    WriteTextFile(elsewhere / "keep.txt", "keep");
    device.ReleaseLocalCopy(elsewhere / "keep.txt");  // not one of its copies
    EXPECT_EQ(ReadTextFile(elsewhere / "keep.txt"), "keep");

    const std::string folder = device.DownloadFolder();
    Device.reset();
    EXPECT_NE(access(folder.c_str(), F_OK), 0) << "second copy and folder removed";
}

// A session made again after a failed attempt still reports progress to the
// watchdog, so a slow listing that keeps coming is not cut off.
TEST_F(FtpDeviceFaults, SessionMadeAgainStillFeedsTheWatchdog) {
    FakeFtpServer server([](FakeFtpServer& s, ScriptedSession& session, const std::string& verb,
                            const std::string&) {
        return verb == "LIST" &&
               s.SendListing(
                   session,
                   ListingLine("a") + ListingLine("b") + ListingLine("c") + ListingLine("d"), 700);
    });
    server.RefuseLogins = 1;
    FtpStorageDevice& device = Connected(server);
    EXPECT_EQ(server.Connections(), 2);
    EXPECT_EQ(device.ListFolder(server.Location(), "", false)->Count(), 4) << Said();
    EXPECT_TRUE(Out.Messages.empty()) << Said();
}

TEST_F(FtpDeviceFaults, StalledChangeOfDirectoryIsCutOffAndRenegotiated) {
    int changes = 0;
    FakeFtpServer server([&](FakeFtpServer&, ScriptedSession&, const std::string& verb,
                             const std::string&) { return verb == "CWD" && ++changes == 1; });
    server.Folders = {"/", "/pub"};
    FtpStorageDevice& device = Connected(server);
    EXPECT_TRUE(device.FolderExists(server.Location("/pub")));
    EXPECT_THAT(Out.TextsOf(mcWarning).at(0), ::testing::StartsWith("Problem changing directory"));
    EXPECT_EQ(device.CurrentRetryState(), 0);
}

}  // namespace
