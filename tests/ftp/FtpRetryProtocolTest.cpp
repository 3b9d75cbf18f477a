// The FTP device's recovery rules against a real server whose faults the test
// arms: each rule reached, its messages in order, the retry state afterwards, and
// what is on the server once the operation has recovered.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "ftp/FtpStorage.h"
#include "platform/ErrorCodes.h"
#include "tests/support/FaultyFtpServer.h"
#include "tests/support/RecordingOutput.h"

namespace {

using Kind = FtpFault::Kind;

class FtpRetryProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Server.Started()) GTEST_SKIP() << Server.Problem;
    }
    // A device logged in (passive, a watchdog of one second) over a fresh folder.
    FtpStorageDevice& Fresh(const std::string& folder) {
        Here = Server.Root + "/" + folder;
        std::filesystem::create_directories(Here);
        Base = "ftp://127.0.0.1:" + std::to_string(Server.Port) + "/" + folder;
        Out.Messages.clear();
        Device = std::make_unique<FtpStorageDevice>(Out, 10, 1);
        Device->SetOptions(FtpStorageDevice::PassiveOnly);
        EXPECT_TRUE(Device->Connect(Base, "user", "secret", ""));
        Out.Messages.clear();
        return *Device;
    }
    // The messages, each shortened to its first line.
    std::vector<std::string> FirstLines() const {
        std::vector<std::string> lines;
        for (const std::string& line : Out.Lines())
            lines.push_back(line.substr(0, line.find('\r')));
        return lines;
    }

    FaultyFtpServer Server;
    TempFolder Local;
    RecordingOutput Out;
    std::unique_ptr<FtpStorageDevice> Device;
    std::string Here, Base;
};

struct Case {
    const char* What;
    std::vector<FtpFault> Faults;
    std::function<bool(FtpStorageDevice&, const std::string& base, const std::string& local)> Act;
    bool Result;
    std::vector<std::string> Lines;  // the first line of each message
    int RetryState;
    // What the server's folder holds afterwards (name -> content), when checked.
    std::map<std::string, std::string> After;
};

std::function<bool(FtpStorageDevice&, const std::string&, const std::string&)> Listing(
    int expected) {
    return [expected](FtpStorageDevice& device, const std::string& base, const std::string&) {
        auto list = device.ListFolder(base, "", false);
        return list->Count() == expected && device.LastErrorCode() == ErrorCode::NoMoreFiles;
    };
}

auto Upload = [](FtpStorageDevice& device, const std::string& base, const std::string& local) {
    return device.PutFile(local + "/big.bin", base, "big.bin", false);
};

auto Download = [](FtpStorageDevice& device, const std::string& base, const std::string&) {
    const std::string copy = device.GetLocalCopy(base, "a.txt");
    return !copy.empty() && ReadTextFile(copy) == "alpha";
};

TEST_F(FtpRetryProtocol, EachRuleRecoversOrEndsAsItShould) {
    // 600 KiB, so that a stalled transfer has begun when it stalls.
    std::string big(600 * 1024, 'b');
    WriteTextFile(Local / "big.bin", big);
    const std::string W = "!! Warning: ", E = "!! Error: ";
    const Case cases[] = {
        // Listing.
        {"listing dropped once",
         {FtpFault(Kind::DropBefore, "LIST")},
         Listing(2),
         true,
         {W + "Renegotiating connection"},
         0,
         {}},
        {"listing stalled once",
         {FtpFault(Kind::StallReply, "LIST")},
         Listing(2),
         true,
         {W + "Timedout - retrying"},
         0,
         {}},
        {"listing dropped twice",
         {FtpFault(Kind::DropBefore, "LIST", 1, 2)},
         Listing(2),
         true,
         {W + "Renegotiating connection", W + "Renegotiating connection type"},
         0,
         {}},
        {"listing cut part-way once",
         {FtpFault(Kind::CutData, "LIST").WithBytes(10)},
         Listing(2),
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
        // Upload: every repetition stores in binary mode.
        {"upload stalled once",
         {FtpFault(Kind::StallData, "STOR").WithBytes(64 * 1024)},
         Upload,
         true,
         {W + "Timedout - Retrying"},
         0,
         {{"big.bin", big}}},
        {"upload dropped once",
         {FtpFault(Kind::DropBefore, "STOR")},
         Upload,
         true,
         {W + "Problem copying file ", W + "Renegotiating connection"},
         0,
         {{"big.bin", big}}},
        {"upload dropped twice",
         {FtpFault(Kind::DropBefore, "STOR", 1, 2)},
         Upload,
         true,
         {W + "Problem copying file ", W + "Renegotiating connection",
          W + "Renegotiating connection type"},
         0,
         {{"big.bin", big}}},
        {"upload refused with 553",
         {FtpFault(Kind::Refuse, "STOR").WithReply("553 Could not create file.")},
         Upload,
         true,
         {W + "Mishap copying file ", W + "Compensating..."},
         0,
         {{"big.bin", big}}},
        {"upload dropped every time",
         {FtpFault(Kind::DropBefore, "STOR", 1, 0)},
         Upload,
         false,
         {W + "Problem copying file ", W + "Renegotiating connection",
          W + "Renegotiating connection type", E + "Failed to copy file "},
         3,
         {}},
        // Download: tried once more, whatever happens then.
        {"download dropped once",
         {FtpFault(Kind::DropBefore, "RETR")},
         Download,
         true,
         {W + "Failed to copy file "},
         0,
         {}},
        {"download stalled once",
         {FtpFault(Kind::StallData, "RETR").WithBytes(2)},
         Download,
         true,
         {W + "Failed to copy file "},
         0,
         {}},
        {"download dropped twice",
         {FtpFault(Kind::DropBefore, "RETR", 1, 2)},
         Download,
         false,
         {W + "Failed to copy file "},
         0,
         {}},
        // Operations that check what an interrupted call did.
        {"delete done, then dropped",
         {FtpFault(Kind::DropAfter, "DELE")},
         [](FtpStorageDevice& d, const std::string& b, const std::string&) {
             return d.DeleteFile(b, "a.txt", true);
         },
         true,
         {W + "Timedout - retrying"},
         0,
         {}},
        {"delete dropped before",
         {FtpFault(Kind::DropBefore, "DELE")},
         [](FtpStorageDevice& d, const std::string& b, const std::string&) {
             return d.DeleteFile(b, "a.txt", true);
         },
         true,
         {W + "Timedout - retrying"},
         0,
         {}},
        {"rename done, then dropped",
         {FtpFault(Kind::DropAfter, "RNTO")},
         [](FtpStorageDevice& d, const std::string& b, const std::string&) {
             return d.RenameFile(b, "a.txt", "b.txt");
         },
         true,
         {W + "Timedout (rename) - retrying"},
         0,
         {{"b.txt", "alpha"}}},
        {"rename dropped before",
         {FtpFault(Kind::DropBefore, "RNFR")},
         [](FtpStorageDevice& d, const std::string& b, const std::string&) {
             return d.RenameFile(b, "a.txt", "b.txt");
         },
         true,
         {W + "Timedout (rename) - retrying"},
         0,
         {{"b.txt", "alpha"}}},
        {"folder creation dropped",
         {FtpFault(Kind::DropBefore, "MKD")},
         [](FtpStorageDevice& d, const std::string& b, const std::string&) {
             return d.CreateFolder(b + "/made");
         },
         true,
         {W + "Problem creating directory ", W + "Renegotiating connection"},
         0,
         {}},
        {"change of directory answered 421",
         {FtpFault(Kind::Answer421, "CWD")},
         [](FtpStorageDevice& d, const std::string& b, const std::string&) {
             return d.FolderExists(b);
         },
         true,
         {W + "Problem changing directory to ", W + "Renegotiating connection"},
         0,
         {}},
        {"mode change stalled",
         {FtpFault(Kind::StallReply, "SITE")},
         [](FtpStorageDevice& d, const std::string& b, const std::string&) {
             return d.Chmod(b, "a.txt", "644") && d.SupportsChmod();
         },
         true,
         {E + "Internet connection aborted", W + "CHMOD may not be supported by FTP server"},
         0,
         {}},
    };
    int serial = 0;
    for (const Case& c : cases) {
        FtpStorageDevice& device = Fresh("case" + std::to_string(++serial));
        WriteTextFile(Here + "/a.txt", "alpha");
        WriteTextFile(Here + "/big.bin", "old");
        for (const FtpFault& fault : c.Faults) Server.Arm(fault);
        EXPECT_EQ(c.Act(device, Base, Local.Path), c.Result) << c.What;
        Server.Disarm();
        EXPECT_EQ(FirstLines().size(), c.Lines.size()) << c.What << "\n"
                                                       << ::testing::PrintToString(FirstLines());
        for (size_t i = 0; i < std::min(c.Lines.size(), FirstLines().size()); ++i)
            EXPECT_THAT(FirstLines()[i], ::testing::StartsWith(c.Lines[i])) << c.What;
        EXPECT_EQ(device.CurrentRetryState(), c.RetryState) << c.What;
        for (const auto& [name, content] : c.After)
            EXPECT_EQ(ReadTextFile(Here + "/" + name), content) << c.What << ": " << name;
        // A device that has recovered goes on over its new connection.
        if (c.Result) {
            EXPECT_GE(device.ListFolder(Base, "", false)->Count(), 1);
            EXPECT_EQ(device.LastErrorCode(), ErrorCode::NoMoreFiles) << c.What;
        }
    }
}

TEST_F(FtpRetryProtocol, RefusedLoginsFallBackAndEndWithTheServersWords) {
    // One refused attempt: a second one on a new session logs in, silently.
    Server.Arm(FtpFault(Kind::Refuse, "USER").WithReply("530 Not now."));
    FtpStorageDevice first(Out, 10, 1);
    first.SetOptions(FtpStorageDevice::PassiveOnly);
    EXPECT_TRUE(
        first.Connect("ftp://127.0.0.1:" + std::to_string(Server.Port), "user", "secret", ""));
    EXPECT_TRUE(Out.Messages.empty());
    Server.Disarm();

    // Every attempt refused: passive, then active, then the server's own words.
    Server.Arm(FtpFault(Kind::Refuse, "USER", 1, 0).WithReply("530 Not now."));
    FtpStorageDevice second(Out, 10, 1);
    second.SetOptions(FtpStorageDevice::PassiveOnly);
    EXPECT_FALSE(
        second.Connect("ftp://127.0.0.1:" + std::to_string(Server.Port), "user", "secret", ""));
    ASSERT_EQ(Out.Messages.size(), 2u);
    EXPECT_EQ(Out.Messages[0].Text, "Trying active rather than passive.");
    EXPECT_THAT(Out.Messages[1].Text, ::testing::HasSubstr("\r\n530 Not now."));
}

}  // namespace
