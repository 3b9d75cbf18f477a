// The FTP device against real servers on loopback, in passive and active mode:
// pyftpdlib (runs as root), vsftpd anonymous (uploads into pub), vsftpd with a
// user who logs into /home/user, ProFTPD and Pure-FTPd.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "common/ErrorCodes.h"
#include "ftp/FtpErrors.h"
#include "ftp/FtpStorage.h"
#include "tests/support/FtpServers.h"
#include "tests/support/RecordingOutput.h"

namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

enum class Kind { Pyftpdlib, Vsftpd, VsftpdUser, Proftpd, PureFtpd };

struct Mode {
    Kind Server;
    bool Passive;
};

std::string ModeName(const ::testing::TestParamInfo<Mode>& info) {
    static const char* const names[] = {"Pyftpdlib", "Vsftpd", "VsftpdUser", "Proftpd", "PureFtpd"};
    return std::string(names[int(info.param.Server)]) + (info.param.Passive ? "Passive" : "Active");
}

// The servers, each started when a test first needs it and kept for the tests
// after it (ctest runs every test in a process of its own, so starting all five
// for each test would cost seconds). One a test machine cannot run skips.
class Servers {
public:
    ExternalFtpServer& Get(Kind kind) {
        std::unique_ptr<ExternalFtpServer>& server = Started[int(kind)];
        if (!server) server = Start(kind);
        return *server;
    }

private:
    static std::unique_ptr<ExternalFtpServer> Start(Kind kind) {
        switch (kind) {
            case Kind::Pyftpdlib:
                return std::make_unique<PyftpdlibServer>();
            case Kind::Vsftpd:
                return std::make_unique<VsftpdServer>();
            case Kind::VsftpdUser:
                return std::make_unique<VsftpdUserServer>();
            case Kind::Proftpd:
                return std::make_unique<ProftpdServer>();
            case Kind::PureFtpd:
                return std::make_unique<PureFtpdServer>();
        }
        return std::make_unique<PyftpdlibServer>();
    }

    std::unique_ptr<ExternalFtpServer> Started[5];
};

class FtpDeviceServers : public ::testing::TestWithParam<Mode> {
protected:
    static void SetUpTestSuite() { All = new Servers; }
    static void TearDownTestSuite() {
        delete All;
        All = nullptr;
    }

    ExternalFtpServer& Server() const { return All->Get(GetParam().Server); }
    RealFtpServer* Real() const { return dynamic_cast<RealFtpServer*>(&Server()); }
    bool Is(Kind kind) const { return GetParam().Server == kind; }

    void SetUp() override {
        if (!Server().Started()) GTEST_SKIP() << Server().Problem;
        // Each test and mode has a folder of its own on the server.
        const std::string name =
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())
                .substr(0, 20) +
            (GetParam().Passive ? "-p" : "-a");
        const std::string remote =
            (Is(Kind::Vsftpd) ? "/pub/" : "/") + std::to_string(++Serial) + name;
        Here = (Real() ? Real()->HomeFolder : Server().Root) + remote;
        std::filesystem::create_directories(Here);
        OwnByServer();
        Base = "ftp://127.0.0.1:" + std::to_string(Server().Port) + remote;
        Device = std::make_unique<FtpStorageDevice>(Out, 10, 10);
        Device->SetOptions(GetParam().Passive ? FtpStorageDevice::PassiveOnly
                                              : FtpStorageDevice::ActiveOnly);
        const bool anonymous = Is(Kind::Vsftpd);
        ASSERT_TRUE(
            Device->Connect(Base, anonymous ? "anonymous" : "user", anonymous ? "" : "secret", ""))
            << Said();
        Out.Messages.clear();
    }

    // Files made here as root become the server's own.
    void Make(const std::string& relative, const std::string& content, int mode = 0644) {
        const std::string path = Here + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteTextFile(path, content);
        chmod(path.c_str(), mode);
        OwnByServer();
    }
    void MakeFolder(const std::string& relative) {
        std::filesystem::create_directories(Here + "/" + relative);
        OwnByServer();
    }
    void OwnByServer() {
        if (Real()) Real()->GiveToServer(Here);
        if (Is(Kind::Vsftpd)) static_cast<VsftpdServer&>(Server()).GiveToServer(Here);
    }
    std::string Said() const {
        std::string all;
        for (const std::string& line : Out.Lines()) all += line + "\n";
        return all;
    }

    static Servers* All;
    static int Serial;
    RecordingOutput Out;
    std::unique_ptr<FtpStorageDevice> Device;
    std::string Here;  // the test's folder on this machine
    std::string Base;  // ... and as a location
    TempFolder Local;
};

Servers* FtpDeviceServers::All = nullptr;
int FtpDeviceServers::Serial = 0;

TEST_P(FtpDeviceServers, ListsWhatTheFolderHolds) {
    Make("a.txt", "12345");
    Make(".htaccess", "dot");
    Make("empty", "");
    const bool blanks = !LeftOutUnderWine("wine's Internet library cuts a listed name at a blank");
    if (blanks) Make("name with  spaces.txt", "x");
    Make("ünïcødé-日本.txt", "u");
    if (FileNamesMayHoldBackslashes) Make("back\\slash.txt", "not a plain name");
    MakeFolder("sub");
    MakeFolder("hollow");
    // Folders are below the login folder (/home/user for one of the servers).
    EXPECT_EQ(Device->LoginFolder(), Real() && Real()->Home != "/" ? Real()->Home : "");
    auto list = Device->ListFolder(Base, "", false);
    EXPECT_EQ(Device->LastErrorCode(), ErrorCode::NoMoreFiles);
    std::map<std::string, const VelDirectoryEntry*> byName;
    for (int i = 1; i <= list->Count(); ++i)
        if (!list->EntryAt(i)->IsDotEntry()) byName[list->EntryAt(i)->Name] = list->EntryAt(i);
    ASSERT_EQ(byName.size(), 6u + blanks) << Said();
    EXPECT_EQ(byName[".htaccess"]->IsHidden(), FtpListingShowsHidden);
    EXPECT_EQ(byName["a.txt"]->Size, 5);
    EXPECT_EQ(byName["empty"]->Size, 0);
    EXPECT_TRUE(byName["sub"]->IsDirectory());
    EXPECT_FALSE(byName["a.txt"]->IsDirectory());
    EXPECT_EQ(byName.count("name with  spaces.txt"), size_t(blanks));
    EXPECT_TRUE(byName.count(MachineNameOf("ünïcødé-日本.txt")));
    EXPECT_FALSE(byName["a.txt"]->DateOnly);

    EXPECT_EQ(Device->ListFolder(Base, "a.txt", false)->Count(), 1);
    EXPECT_EQ(Device->ListFolder(Base, "missing.txt", false)->Count(), 0);
    EXPECT_EQ(Device->LastErrorCode(), ErrorCode::NoMoreFiles);
    int entries = 0;
    auto hollow = Device->ListFolder(Base + "/hollow", "", false);
    for (int i = 1; i <= hollow->Count(); ++i) entries += !hollow->EntryAt(i)->IsDotEntry();
    EXPECT_EQ(entries, 0);
    EXPECT_EQ(Device->LastErrorCode(), ErrorCode::NoMoreFiles);
    // The one name that is not a single plain name is left out, with a warning.
    if (!FileNamesMayHoldBackslashes) return;
    EXPECT_THAT(Out.Lines(), ElementsAre("!! Warning: Invalid name \"back\\slash.txt\" listed in " +
                                         Base + " (not a single plain name). Left out"));
    // ... and the list says so, so that nothing is deleted on the strength of it.
    EXPECT_TRUE(list->HasEntriesLeftOut());
    EXPECT_FALSE(hollow->HasEntriesLeftOut());
}

TEST_P(FtpDeviceServers, TransfersInBinaryAndText) {
    std::string data(300 * 1024 + 7, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = char((i * 7) % 256);
    WriteTextFile(Local / "up.bin", data);
    WriteTextFile(Local / "up.txt", "one\ntwo\n");
    ASSERT_TRUE(Device->PutFile(Local / "up.bin", Base, "b.bin", true)) << Said();
    ASSERT_TRUE(Device->PutFile(Local / "up.txt", Base, "t.txt", false)) << Said();
    EXPECT_EQ(ReadTextFile(Here + "/b.bin"), data);
    // Text goes with CR LF on the wire; each server stores it its own way.
    EXPECT_THAT(ReadTextFile(Here + "/t.txt"), ::testing::AnyOf("one\r\ntwo\r\n", "one\ntwo\n"));

    const std::string copy = Device->GetLocalCopy(Base, "b.bin");
    ASSERT_FALSE(copy.empty()) << Said();
    EXPECT_EQ(ReadTextFile(copy), data);
    Device->ReleaseLocalCopy(copy);
    EXPECT_FALSE(std::filesystem::exists(copy));
    // Copies of one name from two folders do not meet; the private folder is the
    // current user's alone and goes with the device.
    Make("x/same.txt", "from x");
    Make("y/same.txt", "from y");
    const std::string x = Device->GetLocalCopy(Base + "/x", "same.txt");
    const std::string y = Device->GetLocalCopy(Base + "/y", "same.txt");
    EXPECT_NE(x, y);
    EXPECT_EQ(ReadTextFile(x), "from x");
    EXPECT_EQ(ReadTextFile(y), "from y");
    const std::string folder = Device->DownloadFolder();
    EXPECT_EQ(x.rfind(folder + platform::PathSeparatorText, 0), 0u);
    EXPECT_TRUE(OpenToItsOwnerOnly(folder));
    // Releasing removes a copy of its own only: a path that climbs out of the
    // private folder is left alone.
    const std::string beside = folder + "-beside";
    WriteTextFile(beside, "not a copy");
    Device->ReleaseLocalCopy(folder + platform::PathSeparatorText + ".." +
                             platform::PathSeparatorText +
                             std::filesystem::path(beside).filename().string());
    EXPECT_TRUE(std::filesystem::exists(beside));
    std::filesystem::remove(beside);
    // A name that is not a single plain name is never fetched into a path.
    EXPECT_EQ(Device->GetLocalCopy(Base, "../x/same.txt"), "");
    EXPECT_THAT(Out.Lines(), ElementsAre(StartsWith("!! Warning: Invalid name \"../x/same.txt\"")));
    Out.Messages.clear();
    // A refused download is tried once more on a new connection.
    EXPECT_TRUE(Device->GetLocalCopy(Base, "missing.bin").empty());
    EXPECT_THAT(Out.Lines(), ElementsAre(::testing::AllOf(
                                 StartsWith("!! Warning: Failed to copy file " + Base +
                                            "/missing.bin. Internet extended error: 550"),
                                 // a line of its own
                                 ::testing::EndsWith("\r\n Retrying"))));
    EXPECT_EQ(Device->CurrentRetryState(), Recovery::None);
    Device.reset();
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST_P(FtpDeviceServers, FileOperationsAndTheirEdgeCases) {
    Make("a.txt", "a");
    Make("sub/old.txt", "old");
    Make("full/x", "x");
    EXPECT_TRUE(Device->CreateFolder(Base + "/made"));
    EXPECT_TRUE(std::filesystem::is_directory(Here + "/made"));
    EXPECT_TRUE(Device->RemoveFolder(Base + "/made"));
    EXPECT_TRUE(Device->RenameFile(Base, "a.txt", "b.txt"));
    EXPECT_EQ(ReadTextFile(Here + "/b.txt"), "a");
    // The name of a deferred deletion is a path below the folder.
    EXPECT_TRUE(Device->DeleteFile(Base, "/sub/old.txt", true));
    EXPECT_FALSE(std::filesystem::exists(Here + "/sub/old.txt"));
    EXPECT_TRUE(Device->SetFileDate(Base, "b.txt", 1.0));
    EXPECT_FALSE(Device->SetReadOnly(Base, "missing.txt", false, false));
    EXPECT_TRUE(Out.Messages.empty()) << Said();

    // Removing a folder that is not empty fails at once, without a reconnect.
    EXPECT_FALSE(Device->RemoveFolder(Base + "/full"));
    ASSERT_EQ(Out.Messages.size(), 1u) << Said();
    EXPECT_THAT(Out.Lines()[0], StartsWith("!! Error: Failed to delete directory " + Base +
                                           "/full (error 12003). Internet extended error: 550"));
    Out.Messages.clear();

    // A file already gone counts as deleted once the listing shows it gone.
    EXPECT_TRUE(Device->DeleteFile(Base, "gone.txt", true));
    EXPECT_THAT(Out.Lines(), ElementsAre("!! Warning: Timedout - retrying"));
    EXPECT_EQ(Device->CurrentRetryState(), Recovery::None);
    Out.Messages.clear();

    // A rename that has already happened is found by its new name.
    EXPECT_TRUE(Device->RenameFile(Base, "a.txt", "b.txt"));
    EXPECT_THAT(Out.Lines(), ElementsAre("!! Warning: Timedout (rename) - retrying"));
    EXPECT_EQ(Device->CurrentRetryState(), Recovery::None);
    Out.Messages.clear();

    // An existing folder: one renegotiation, then the error.
    const std::string sub = Base + "/sub";
    EXPECT_FALSE(Device->CreateFolder(sub));
    ASSERT_EQ(Out.Messages.size(), 3u) << Said();
    EXPECT_THAT(Out.Lines()[0], StartsWith("!! Warning: Problem creating directory " + sub +
                                           " (error 12003).Internet extended error: 550"));
    EXPECT_EQ(Out.Lines()[1], "!! Warning: Renegotiating connection");
    EXPECT_THAT(Out.Lines()[2], StartsWith("!! Error: Error creating directory " + sub +
                                           " (error 12003). Internet extended error: 550"));
}

TEST_P(FtpDeviceServers, PermissionModes) {
    const size_t before = Real() && Real()->LogsCommands() ? Real()->Commands().size() : 0;
    Make("a.txt", "a");
    Make("ro.txt", "r", 0444);
    EXPECT_TRUE(Device->SetReadOnly(Base, "a.txt", false, false));  // writable already: no command
    EXPECT_TRUE(Device->Chmod(Base, "a.txt", "640"));
    if (Is(Kind::Vsftpd)) {
        // vsftpd lets no anonymous user change modes.
        EXPECT_THAT(Out.Lines(), ElementsAre(StartsWith("!! Warning: 550 "),
                                             "!! Warning: CHMOD not supported by FTP server"));
        EXPECT_FALSE(Device->SupportsChmod());
        return;
    }
    // Every server measured answers a mode it has set with 200.
    EXPECT_TRUE(Out.Messages.empty()) << Said();
    EXPECT_TRUE(Device->SupportsChmod());
    EXPECT_EQ(ModeOf(Here + "/a.txt"), 0640u);
    // A file listed as read-only is made writable; where listings do not show
    // the state, nothing is sent (an upload over it compensates when refused).
    const unsigned madeWritable = FtpListingShowsReadOnly ? 0200 : 0;
    EXPECT_TRUE(Device->SetReadOnly(Base, "ro.txt", false, false));
    EXPECT_EQ(ModeOf(Here + "/ro.txt") & 0200, madeWritable);
    // As for a deletion, the name may be a path below the folder.
    Make("sub/ro.txt", "r", 0444);
    EXPECT_TRUE(Device->SetReadOnly(Base, "/sub/ro.txt", false, false));
    EXPECT_EQ(ModeOf(Here + "/sub/ro.txt") & 0200, madeWritable);
    if (auto* real = Real(); real && real->LogsCommands()) {
        int chmods = 0;
        const std::vector<std::string> commands = real->Commands();
        for (size_t i = before; i < commands.size(); ++i)
            chmods += commands[i].rfind("SITE CHMOD", 0) == 0;
        EXPECT_EQ(chmods, 3);
    }
}

// Servers refuse to store over a read-only file (553 from vsftpd and Pure-FTPd,
// 550 from ProFTPD), but an upload takes its name by a rename, which replaces the
// old file whatever its mode, in one step. (The engine decides whether a
// read-only file may be replaced; a server without renames gets the refused
// file made writable: FtpDeviceFaults.)
TEST_P(FtpDeviceServers, UploadOverAReadOnlyFile) {
    if (Is(Kind::Vsftpd)) GTEST_SKIP() << "vsftpd lets no anonymous user change modes";
    if (Server().OverwritesReadOnlyFiles)
        GTEST_SKIP() << "the server runs as root and overwrites read-only files";
    Make("ro.txt", "old", 0444);
    WriteTextFile(Local / "ro.txt", "new");
    EXPECT_TRUE(Device->PutFile(Local / "ro.txt", Base, "ro.txt", false)) << Said();
    EXPECT_EQ(ReadTextFile(Here + "/ro.txt"), "new");
    EXPECT_TRUE(Out.Messages.empty()) << Said();
}

std::vector<Mode> Modes() {
    std::vector<Mode> modes;
    for (Kind kind :
         {Kind::Pyftpdlib, Kind::Vsftpd, Kind::VsftpdUser, Kind::Proftpd, Kind::PureFtpd})
        if (kind == Kind::Pyftpdlib || OtherFtpServersRunHere())
            for (bool passive : {true, false}) modes.push_back(Mode{kind, passive});
    return modes;
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpDeviceServers, ::testing::ValuesIn(Modes()), ModeName);

TEST(FtpDeviceLogin, WrongPasswordShowsTheServersAnswer) {
    PyftpdlibServer server;
    if (!server.Started()) GTEST_SKIP() << server.Problem;
    RecordingOutput out;
    FtpStorageDevice device(out, 10, 10);
    device.SetOptions(FtpStorageDevice::PassiveOnly);
    EXPECT_FALSE(
        device.Connect("ftp://127.0.0.1:" + std::to_string(server.Port), "user", "wrong", ""));
    // The refusal of each attempt, and the code of the last one with its reply
    // (the Windows library gives 12015 for a refused login).
    const uint32_t code = device.LastErrorCode();
    EXPECT_THAT(code, ::testing::AnyOf(ErrorCode::InternetIncorrectPassword,
                                       ErrorCode::InternetLoginFailure));
    const std::string refusal = "530 Authentication failed.";
    EXPECT_EQ(out.Lines(), (std::vector<std::string>{
                               "!! Warning: " + refusal, "Trying active rather than passive.",
                               "!! Warning: " + refusal,
                               "!! Error: Failed to connect to server 127.0.0.1.\r\nError code: " +
                                   std::to_string(code) + "\r\nDescription: " +
                                   DescribeFtpError(code, "") + "\r\nLast response: " + refusal}));
}

}  // namespace
