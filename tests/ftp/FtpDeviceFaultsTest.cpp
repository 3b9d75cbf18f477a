// The FTP device's recovery against a real server whose faults the test arms:
// each rule reached with its messages in order and the retry state afterwards,
// what is on the server once an operation has recovered, and the bounds that
// keep a failing server from holding a run. The watchdog gives a call one second.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>

#include "common/ErrorCodes.h"
#include "ftp/FtpErrors.h"
#include "ftp/FtpStorage.h"
#include "tests/support/FaultyFtpServer.h"
#include "tests/support/RecordingOutput.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Kind = FtpFault::Kind;
using Act = std::function<bool(FtpStorageDevice&, const std::string& base)>;

// The four lines of a login the server refused with "530 Not now.", and the
// codes for it: the user name refused (12013), or a refused login from the
// Windows library, which does not tell the two apart (12015).
std::string RefusedLogin(uint32_t code) {
    return "Failed to connect to server 127.0.0.1.\r\nError code: " + std::to_string(code) +
           "\r\nDescription: " + DescribeFtpError(code, "") + "\r\nLast response: 530 Not now.";
}
const auto RefusedLoginCode =
    ::testing::AnyOf(ErrorCode::InternetIncorrectUserName, ErrorCode::InternetLoginFailure);

class FtpDeviceFaults : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Server.Started()) GTEST_SKIP() << Server.Problem;
    }
    // A device logged in (passive) over a fresh folder holding a.txt.
    FtpStorageDevice& Fresh() {
        const std::string folder = "case" + std::to_string(++Serial);
        Here = Server.Root + "/" + folder;
        std::filesystem::create_directories(Here);
        WriteTextFile(Here + "/a.txt", "alpha");
        Base = Location("/" + folder);
        Device = std::make_unique<FtpStorageDevice>(Out, 10, 1);
        Device->SetOptions(FtpStorageDevice::PassiveOnly);
        EXPECT_TRUE(Device->Connect(Base, "user", "secret", ""));
        Out.Messages.clear();
        Server.Disarm();
        Logins = Count("USER");
        return *Device;
    }
    std::string Location(const std::string& folder) const {
        return "ftp://127.0.0.1:" + std::to_string(Server.Port) + folder;
    }
    int Count(const std::string& verb) const {
        int count = 0;
        for (const std::string& line : Server.Commands()) count += line.rfind(verb, 0) == 0;
        return count;
    }
    // The messages as lines, each cut at its first line end.
    std::vector<std::string> FirstLines() const {
        std::vector<std::string> lines;
        for (const std::string& line : Out.Lines())
            lines.push_back(line.substr(0, line.find('\r')));
        return lines;
    }
    void ExpectLines(const std::vector<std::string>& prefixes, const std::string& what) {
        const std::vector<std::string> lines = FirstLines();
        ASSERT_EQ(lines.size(), prefixes.size()) << what << ::testing::PrintToString(lines);
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_THAT(lines[i], StartsWith(prefixes[i])) << what;
    }

    FaultyFtpServer Server;
    TempFolder Local;
    RecordingOutput Out;
    std::unique_ptr<FtpStorageDevice> Device;
    std::string Here, Base;
    int Serial = 0;
    int Logins = 0;
};

const std::string W = "!! Warning: ", E = "!! Error: ";

// Under wine the watchdog's close leaves a stalled call waiting.
const char* const CloseDoesNotCancel = "a close from another thread does not cancel a blocked call";

// The Windows Internet library parses listings itself: one cut in the middle of
// a line looks whole to it.
const char* const ListingLinesUnseen =
    "the Windows Internet library cannot tell a listing cut in the middle of a line";

bool CutsAListingShort(const std::vector<FtpFault>& faults) {
    for (const FtpFault& fault : faults)
        if (fault.What == Kind::ShortData && fault.Verb == "LIST") return true;
    return false;
}

bool Stalls(const std::vector<FtpFault>& faults) {
    for (const FtpFault& fault : faults)
        if (fault.What == Kind::StallReply || fault.What == Kind::StallData) return true;
    return false;
}

Act Listing(int entries) {
    return [entries](FtpStorageDevice& d, const std::string& base) {
        return d.ListFolder(base, "", false)->Count() == entries &&
               d.LastErrorCode() == ErrorCode::NoMoreFiles;
    };
}

TEST_F(FtpDeviceFaults, EachRecoveryRule) {
    std::string big(600 * 1024, 'b');  // big enough to be under way when it stalls
    WriteTextFile(Local / "big.bin", big);
    const Act upload = [&](FtpStorageDevice& d, const std::string& base) {
        return d.PutFile(Local / "big.bin", base, "big.bin", false);
    };
    const Act download = [](FtpStorageDevice& d, const std::string& base) {
        const std::string copy = d.GetLocalCopy(base, "a.txt");
        return !copy.empty() && ReadTextFile(copy) == "alpha";
    };
    const Act remove = [](FtpStorageDevice& d, const std::string& base) {
        return d.DeleteFile(base, "a.txt", true);
    };
    const Act rename = [](FtpStorageDevice& d, const std::string& base) {
        return d.RenameFile(base, "a.txt", "b.txt");
    };
    struct {
        const char* what;
        std::vector<FtpFault> faults;
        Act act;
        bool result;
        std::vector<std::string> lines;  // first lines of the messages, as prefixes
        int retryState;
        std::map<std::string, std::string> after;  // the server's files afterwards
    } cases[] = {
        {"listing dropped once",
         {FtpFault(Kind::DropBefore, "LIST")},
         Listing(1),
         true,
         {W + "Renegotiating connection"},
         0,
         {}},
        {"listing stalled once",
         {FtpFault(Kind::StallReply, "LIST")},
         Listing(1),
         true,
         {W + "Timedout - retrying"},
         0,
         {}},
        {"listing dropped twice",
         {FtpFault(Kind::DropBefore, "LIST", 1, 2)},
         Listing(1),
         true,
         {W + "Renegotiating connection", W + "Renegotiating connection type"},
         0,
         {}},
        {"listing cut part-way once",
         {FtpFault(Kind::CutData, "LIST").WithBytes(10)},
         Listing(1),
         true,
         {W + "Renegotiating connection"},
         0,
         {}},
        {"listing cut in the middle of a line, the server answering 226",
         {FtpFault(Kind::ShortData, "LIST").WithBytes(10)},
         Listing(1),
         true,
         {W + "Renegotiating connection"},
         0,
         {}},
        {"listing refused every time",
         {FtpFault(Kind::CutData, "LIST", 1, 0).WithReply("450 No files found")},
         Listing(0),
         false,
         {W + "Renegotiating connection", W + "Renegotiating connection type",
          E + "Error listing files in "},
         3,
         {}},
        {"upload stalled once",
         {FtpFault(Kind::StallData, "STOR").WithBytes(64 * 1024)},
         upload,
         true,
         {W + "Timedout - Retrying"},
         0,
         {{"big.bin", big}}},
        {"upload dropped twice",
         {FtpFault(Kind::DropBefore, "STOR", 1, 2)},
         upload,
         true,
         {W + "Problem copying file ", W + "Renegotiating connection",
          W + "Renegotiating connection type"},
         0,
         {{"big.bin", big}}},
        {"upload to the temporary name refused once",
         {FtpFault(Kind::Refuse, "STOR").WithReply("553 Could not create file.")},
         upload,
         true,
         {W + "Problem copying file ", W + "Renegotiating connection"},
         0,
         {{"big.bin", big}}},
        {"upload cut short, the server answering 226",
         {FtpFault(Kind::ShortData, "STOR").WithBytes(64 * 1024)},
         upload,
         true,
         {W + "The server holds 65536 bytes of ", W + "Problem copying file ",
          W + "Renegotiating connection"},
         0,
         {{"big.bin", big}}},
        // No space: another attempt would meet the same.
        {"upload refused for want of space",
         {FtpFault(Kind::Refuse, "STOR", 1, 0).WithReply("452 Insufficient storage space.")},
         upload,
         false,
         {E + "Failed to copy file "},
         0,
         {}},
        // A server that takes no renames gets the file under its own name, and a
        // refusal to store over a read-only file is then met by making it writable.
        {"upload refused with 553 over an existing file, no renames",
         {FtpFault(Kind::Refuse, "RNFR", 1, 0).WithReply("502 Command not implemented."),
          FtpFault(Kind::Refuse, "STOR", 3).WithReply("553 Could not create file.")},
         [&](FtpStorageDevice& d, const std::string& base) {
             return upload(d, base) && upload(d, base);
         },
         true,
         {W + "Mishap copying file ", W + "Compensating..."},
         0,
         {{"big.bin", big}}},
        // A new file cannot be made writable: the refusal goes on through the
        // reconnect, not the code the listing for it left.
        {"upload of a new file refused with 553 once, no renames",
         {FtpFault(Kind::Refuse, "RNFR", 1, 0).WithReply("502 Command not implemented."),
          FtpFault(Kind::Refuse, "STOR", 2).WithReply("553 Could not create file.")},
         upload,
         true,
         {W + "Mishap copying file ", W + "Compensating...", W + "Failed...",
          W + "Problem copying file ", W + "Renegotiating connection"},
         0,
         {{"big.bin", big}}},
        {"upload dropped every time",
         {FtpFault(Kind::DropBefore, "STOR", 1, 0)},
         upload,
         false,
         {W + "Problem copying file ", W + "Renegotiating connection",
          W + "Renegotiating connection type", E + "Failed to copy file "},
         3,
         {}},
        {"download dropped once",
         {FtpFault(Kind::DropBefore, "RETR")},
         download,
         true,
         {W + "Failed to copy file "},
         0,
         {}},
        {"download cut short, the server answering 226",
         {FtpFault(Kind::ShortData, "RETR").WithBytes(2)},
         download,
         true,
         {W + "Failed to copy file "},
         0,
         {}},
        {"download stalled once",
         {FtpFault(Kind::StallData, "RETR").WithBytes(2)},
         download,
         true,
         {W + "Failed to copy file "},
         0,
         {}},
        {"download dropped twice",
         {FtpFault(Kind::DropBefore, "RETR", 1, 2)},
         download,
         false,
         {W + "Failed to copy file "},
         0,
         {}},
        {"delete done, then dropped",
         {FtpFault(Kind::DropAfter, "DELE")},
         remove,
         true,
         {W + "Timedout - retrying"},
         0,
         {}},
        {"delete dropped before it was done",
         {FtpFault(Kind::DropBefore, "DELE")},
         remove,
         true,
         {W + "Timedout - retrying"},
         0,
         {}},
        // After a reconnect the file counts as deleted only on a listing read to its end.
        {"delete dropped, then the listing fails",
         {FtpFault(Kind::DropBefore, "DELE"),
          FtpFault(Kind::CutData, "LIST", 1, 0).WithReply("450 No files found")},
         remove,
         false,
         {W + "Timedout - retrying", W + "Renegotiating connection type",
          E + "Error listing files in ", E + "Failed to delete file "},
         3,
         {{"a.txt", "alpha"}}},
        {"rename done, then dropped",
         {FtpFault(Kind::DropAfter, "RNTO")},
         rename,
         true,
         {W + "Timedout (rename) - retrying"},
         0,
         {{"b.txt", "alpha"}}},
        {"rename dropped before it was done",
         {FtpFault(Kind::DropBefore, "RNFR")},
         rename,
         true,
         {W + "Timedout (rename) - retrying"},
         0,
         {{"b.txt", "alpha"}}},
        {"folder creation dropped",
         {FtpFault(Kind::DropBefore, "MKD")},
         [](FtpStorageDevice& d, const std::string& base) { return d.CreateFolder(base + "/m"); },
         true,
         {W + "Problem creating directory ", W + "Renegotiating connection"},
         0,
         {}},
        {"change of directory stalled",
         {FtpFault(Kind::StallReply, "CWD")},
         [](FtpStorageDevice& d, const std::string& base) { return d.FolderExists(base); },
         true,
         {W + "Problem changing directory to ", W + "Renegotiating connection"},
         0,
         {}},
        // Asked for, a missing folder is an answer: nothing to report, nothing to retry.
        {"missing folder",
         {},
         [](FtpStorageDevice& d, const std::string& base) {
             return d.FolderExists(base + "/missing");
         },
         false,
         {},
         0,
         {}},
        // Without a window system the report of a failed raw command is an error.
        {"mode change stalled",
         {FtpFault(Kind::StallReply, "SITE")},
         [](FtpStorageDevice& d, const std::string& base) {
             return d.Chmod(base, "a.txt", "644") && d.SupportsChmod();
         },
         true,
         {E + "Internet connection aborted", W + "CHMOD may not be supported by FTP server"},
         0,
         {}},
    };
    for (const auto& c : cases) {
        if (Stalls(c.faults) && LeftOutUnderWine(CloseDoesNotCancel)) continue;
        if (CutsAListingShort(c.faults) && LeftOutUnderWine(ListingLinesUnseen)) continue;
        FtpStorageDevice& device = Fresh();
        for (const FtpFault& fault : c.faults) Server.Arm(fault);
        EXPECT_EQ(c.act(device, Base), c.result) << c.what;
        Server.Disarm();
        ExpectLines(c.lines, c.what);
        EXPECT_EQ(int(device.CurrentRetryState()), c.retryState) << c.what;
        for (const auto& [name, content] : c.after)
            EXPECT_EQ(ReadTextFile(Here + "/" + name), content) << c.what << ": " << name;
        EXPECT_LE(Count("USER") - Logins, 2) << c.what;  // at most two repetitions
        if (!c.result) continue;
        // A device that has recovered goes on over its new connection.
        device.ListFolder(Base, "", false);
        EXPECT_EQ(device.LastErrorCode(), ErrorCode::NoMoreFiles) << c.what;
        EXPECT_EQ(device.CurrentRetryState(), Recovery::None) << c.what;
    }
}

// A download must bring the size its folder's listing showed: a file that the
// server sends otherwise (cut short, or changed since it was listed) is no copy.
TEST_F(FtpDeviceFaults, ADownloadUnlikeItsListingIsNoCopy) {
    FtpStorageDevice& device = Fresh();
    ASSERT_EQ(device.ListFolder(Base, "", false)->Count(), 1);
    WriteTextFile(Here + "/a.txt", "alpha, and then some");
    EXPECT_EQ(device.GetLocalCopy(Base, "a.txt"), "");
    EXPECT_THAT(Out.TextsOf(mcWarning),
                ::testing::Contains(HasSubstr("brought 20 bytes where the listing shows 5")));
    EXPECT_TRUE(std::filesystem::is_empty(device.DownloadFolder()));
    // Once the engine is done with the folder, its sizes are forgotten.
    device.FolderFinished(Base);
    EXPECT_NE(device.GetLocalCopy(Base, "a.txt"), "");
}

// A copy made beside the walk downloads on a device that never listed the
// folder: the size it is checked against comes with the entry the walk listed.
TEST_F(FtpDeviceFaults, ADownloadOnASiblingIsCheckedAgainstTheWalksListing) {
    FtpStorageDevice& device = Fresh();
    std::unique_ptr<VelDirectoryList> list = device.ListFolder(Base, "", false);
    ASSERT_EQ(list->Count(), 1);
    const VelDirectoryEntry listed = *list->EntryAt(1);
    std::unique_ptr<VelStorageDevice> sibling = device.OpenSibling();
    ASSERT_NE(sibling, nullptr);
    WriteTextFile(Here + "/a.txt", "alpha, and then some");
    EXPECT_EQ(sibling->GetLocalCopyOf(Base, listed), "");
    EXPECT_THAT(Out.TextsOf(mcWarning),
                ::testing::Contains(HasSubstr("brought 20 bytes where the listing shows 5")));
    WriteTextFile(Here + "/a.txt", "alpha");
    const std::string copy = sibling->GetLocalCopyOf(Base, listed);
    EXPECT_EQ(ReadTextFile(copy), "alpha");
    sibling->ReleaseLocalCopy(copy);
}

// The listing that looks for the file to make it writable replaces the client's
// last reply: the reports of the store and the device's description still give
// the refusal.
TEST_F(FtpDeviceFaults, UploadRefusedForGoodEndsWithTheRefusalNotTheListingsReply) {
    FtpStorageDevice& device = Fresh();
    WriteTextFile(Local / "n.txt", "new");
    Server.Arm(FtpFault(Kind::Refuse, "STOR", 1, 0).WithReply("553 Could not create file."));
    EXPECT_FALSE(device.PutFile(Local / "n.txt", Base, "n.txt", false));
    int reports = 0;
    for (const std::string& line : Out.Lines()) {
        if (line.find("Last response: ") == std::string::npos) continue;
        ++reports;
        EXPECT_THAT(line, ::testing::EndsWith("\r\nLast response: 553 Could not create file."));
    }
    EXPECT_GE(reports, 2);
    EXPECT_THAT(Out.Lines().back(), StartsWith(E + "Failed to copy file "));
    EXPECT_EQ(device.LastErrorText(), "Internet extended error: 553 Could not create file.");
}

// A listing that did not complete is never a folder's contents: an empty list and
// a code other than 18; one read to its end leaves 18.
TEST_F(FtpDeviceFaults, ListingThatDidNotCompleteIsNoEmptyFolder) {
    struct {
        const char* what;
        std::vector<FtpFault> faults;
        std::string folder;
        int entries;
    } cases[] = {
        {"complete", {}, "", 3},
        {"empty folder", {}, "/empty", 0},
        {"folder cannot be entered", {}, "/missing", -1},
        {"150, no data, 450 (as ProFTPD fails one)",
         {FtpFault(Kind::CutData, "LIST", 1, 0).WithReply("450 No files found")},
         "",
         -1},
        {"cut part-way every time", {FtpFault(Kind::CutData, "LIST", 1, 0).WithBytes(20)}, "", -1},
        {"dropped every time", {FtpFault(Kind::DropBefore, "LIST", 1, 0)}, "", -1},
        {"421 every time", {FtpFault(Kind::Answer421, "LIST", 1, 0)}, "", -1},
    };
    for (const auto& c : cases) {
        FtpStorageDevice& device = Fresh();
        std::filesystem::create_directories(Here + "/empty");
        WriteTextFile(Here + "/b.txt", "beta");
        for (const FtpFault& fault : c.faults) Server.Arm(fault);
        auto list = device.ListFolder(Base + c.folder, "", false);
        Server.Disarm();
        const bool complete = c.entries >= 0;
        EXPECT_EQ(list->Count(), complete ? c.entries : 0) << c.what;
        EXPECT_EQ(device.LastErrorCode() == ErrorCode::NoMoreFiles, complete) << c.what;
        EXPECT_NE(device.LastErrorCode(), 0u) << c.what;
    }
}

// Every stall costs the watchdog's time, and a call is repeated at most twice,
// whatever the retry states would allow.
TEST_F(FtpDeviceFaults, ServerThatStallsOnEveryCommandDoesNotHoldTheRun) {
    SKIP_UNDER_WINE(CloseDoesNotCancel);
    WriteTextFile(Local / "up.txt", "data");
    struct {
        const char* verb;
        Act act;
        int sent;
        std::vector<std::string> warnings;
    } cases[] = {
        {"LIST", Listing(1), 3, {"Timedout - retrying", "Renegotiating connection type"}},
        {"STOR",
         [&](FtpStorageDevice& d, const std::string& base) {
             return d.PutFile(Local / "up.txt", base, "up.txt", true);
         },
         3,
         {"Timedout - Retrying", "Timedout - Retrying"}},
        {"RNFR",
         [](FtpStorageDevice& d, const std::string& base) {
             return d.RenameFile(base, "a.txt", "b.txt");
         },
         2,
         {"Timedout (rename) - retrying"}},
    };
    for (const auto& c : cases) {
        FtpStorageDevice& device = Fresh();
        const int before = Count(c.verb);
        Server.Arm(FtpFault(Kind::StallReply, c.verb, 1, 0));
        EXPECT_FALSE(c.act(device, Base)) << c.verb;
        Server.Disarm();
        EXPECT_EQ(Count(c.verb) - before, c.sent) << c.verb;
        EXPECT_EQ(Out.TextsOf(mcWarning), c.warnings) << c.verb;
    }
}

// Every server measured answers a mode it has set with 200; any 2xx reply means
// the mode was set.
TEST_F(FtpDeviceFaults, ModeChangeRepliesDecideSupport) {
    struct {
        std::vector<std::string> replies;
        bool supported;
        std::vector<std::string> lines;
    } cases[] = {
        {{"200 SITE CHMOD command successful."}, true, {}},
        {{"250 Done."}, true, {}},
        {{"500 'SITE CHMOD': command not understood."},
         false,
         {W + "500 'SITE CHMOD': command not understood.",
          W + "CHMOD not supported by FTP server"}},
        // A learnt answer stays; every refusal is still reported.
        {{"200 Okay.", "550 Permission denied."},
         true,
         {W + "550 Permission denied.", W + "CHMOD not supported by FTP server"}},
    };
    for (const auto& c : cases) {
        FtpStorageDevice& device = Fresh();
        for (size_t i = 0; i < c.replies.size(); ++i)
            Server.Arm(FtpFault(Kind::Refuse, "SITE", int(i) + 1).WithReply(c.replies[i]));
        EXPECT_TRUE(device.SupportsChmod());
        for (size_t i = 0; i < c.replies.size(); ++i)
            EXPECT_TRUE(device.Chmod(Base, "a.txt", "644"));
        EXPECT_EQ(device.SupportsChmod(), c.supported) << c.replies[0];
        EXPECT_EQ(Out.Lines(), c.lines) << c.replies[0];
        EXPECT_EQ(Server.Commands().back(), "SITE CHMOD 644 a.txt");
    }
}

TEST_F(FtpDeviceFaults, LoginFolderThatCannotBeReadAgainStaysAsItWas) {
    FtpStorageDevice& device = Fresh();
    std::filesystem::create_directories(Here + "/sub");
    ASSERT_TRUE(device.FolderExists(Base));
    Server.Arm(FtpFault(Kind::DropBefore, "CWD"));
    Server.Arm(FtpFault(Kind::Refuse, "PWD").WithReply("500 Not today."));
    EXPECT_TRUE(device.FolderExists(Base + "/sub"));
    EXPECT_EQ(device.LoginFolder(), "");
    EXPECT_EQ(Server.Commands().back(), "CWD /case" + std::to_string(Serial) + "/sub");
}

TEST_F(FtpDeviceFaults, FailedReconnectShowsWhatTheServerSaysNow) {
    FtpStorageDevice& device = Fresh();
    ASSERT_TRUE(device.Chmod(Base, "a.txt", "644"));  // this thread's last reply: 200
    Server.Arm(FtpFault(Kind::DropBefore, "CWD"));
    Server.Arm(FtpFault(Kind::Refuse, "USER", 1, 0).WithReply("530 Not now."));
    EXPECT_FALSE(device.FolderExists(Location("/elsewhere")));
    for (const std::string& line : Out.Lines()) EXPECT_EQ(line.find("200"), std::string::npos);
    EXPECT_THAT(device.LastErrorCode(), RefusedLoginCode);
    EXPECT_EQ(Out.TextsOf(mcError).at(0), RefusedLogin(device.LastErrorCode()));
    EXPECT_EQ(Out.TextsOf(mcError).at(1), "Failed to renegotiate connection");
}

TEST_F(FtpDeviceFaults, RefusedLoginsFallBackAndEndWithTheServersWords) {
    // One refused attempt: the refusal is said, and the active attempt logs in.
    Server.Arm(FtpFault(Kind::Refuse, "USER").WithReply("530 Not now."));
    FtpStorageDevice first(Out, 10, 1);
    first.SetOptions(FtpStorageDevice::PassiveOnly);
    EXPECT_TRUE(first.Connect(Location(""), "user", "secret", ""));
    EXPECT_EQ(Out.Lines(),
              (std::vector<std::string>{W + "530 Not now.", "Trying active rather than passive."}));
    Server.Disarm();

    // Every attempt refused: passive, then active, then the code of the refusal
    // with the server's own words.
    Out.Messages.clear();
    Server.Arm(FtpFault(Kind::Refuse, "USER", 1, 0).WithReply("530 Not now."));
    FtpStorageDevice second(Out, 10, 1);
    second.SetOptions(FtpStorageDevice::PassiveOnly);
    EXPECT_FALSE(second.Connect(Location(""), "user", "secret", ""));
    EXPECT_EQ(Out.Lines(), (std::vector<std::string>{
                               W + "530 Not now.", "Trying active rather than passive.",
                               W + "530 Not now.", E + RefusedLogin(second.LastErrorCode())}));
    EXPECT_THAT(second.LastErrorCode(), RefusedLoginCode);
}

TEST(FtpDeviceConnect, FailuresBeforeALogin) {
    RecordingOutput out;
    // A port above 65535 is refused before anything is sent.
    FtpStorageDevice refused(out, 5, 1);
    EXPECT_FALSE(refused.Connect("ftp://127.0.0.1:65536/x", "u", "p", ""));
    EXPECT_THAT(out.Lines(), ElementsAre(E + "Cannot connect to ftp://127.0.0.1:65536/x: the port "
                                             "65536 is not a valid port (1 to 65535)."));

    // Nothing listening: the client's code says so; the server said nothing.
    out.Messages.clear();
    uint16_t port = 0;
    CloseSocket(ListenOnLoopback(1, port));
    FtpStorageDevice nothing(out, 5, 1);
    EXPECT_FALSE(nothing.Connect("ftp://127.0.0.1:" + std::to_string(port), "u", "p", ""));
    EXPECT_THAT(out.Lines(), ElementsAre(E + "Failed to connect to server 127.0.0.1.\r\n"
                                             "Error code: 12029\r\n"
                                             "Description: Cannot connect to internet\r\n"
                                             "Last response: "));

    // A login that hangs: one time-out, no second attempt and no probe.
    out.Messages.clear();
    ScriptedFtpServer silent("220 hello\r\n", [](ScriptedSession&, const std::string&) {
        return true;  // never answers
    });
    FtpStorageDevice hanging(out, 1, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(hanging.Connect("ftp://127.0.0.1:" + std::to_string(silent.Port()), "u", "p", ""));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_THAT(out.Lines(),
                ElementsAre(E + "Failed to connect to server 127.0.0.1. Connection timedout."));
    EXPECT_EQ(silent.Connections(), 1);

    // An ftpes:// location is secured or given up, never logged into in clear; a
    // build without TLS says so before it connects.
    out.Messages.clear();
    std::atomic<int> logins{0};
    ScriptedFtpServer plain("220 hello\r\n", [&](ScriptedSession& session, const std::string& line) {
        if (line.rfind("USER", 0) == 0) ++logins;
        return session.Send("500 AUTH not understood\r\n");
    });
    const std::string secured = "ftpes://127.0.0.1:" + std::to_string(plain.Port()) + "/";
    FtpStorageDevice refusedTls(out, 5, 1);
    EXPECT_FALSE(refusedTls.Connect(secured, "u", "p", ""));
    if (platform::InternetOffersTls()) {
        EXPECT_THAT(out.Lines(),
                    ElementsAre(E + "Failed to connect to server 127.0.0.1: the server refused to "
                                    "secure the connection with TLS. The login was not sent.\r\n"
                                    "Error code: 12113\r\n"
                                    "Description: The server refused to secure the connection "
                                    "with TLS (#12113)\r\n"
                                    "Last response: 500 AUTH not understood"));
        EXPECT_EQ(plain.Connections(), 1);
    } else {
        EXPECT_THAT(out.Lines(), ElementsAre(E + "Cannot connect to " + secured +
                                             ": FTP over TLS (ftpes://, ftps://) is not "
                                             "available in this build."));
        EXPECT_EQ(plain.Connections(), 0);
    }
    EXPECT_EQ(logins.load(), 0);
}

}  // namespace
