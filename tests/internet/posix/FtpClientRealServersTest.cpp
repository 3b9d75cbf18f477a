// The FTP client against ProFTPD, Pure-FTPd and vsftpd with a user whose login
// folder is not "/", in passive and active mode: the calls of the contract, and
// listings with dot files and what they cost.

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>

#include "common/ErrorCodes.h"
#include "common/FileTimeCalendar.h"
#include "tests/internet/posix/FtpClientFixture.h"
#include "tests/support/FtpServers.h"

using namespace platform;

namespace {

enum class Kind { Proftpd, PureFtpd, VsftpdUser };

struct Param {
    Kind Server;
    bool Passive;
};

std::string NameOf(const Param& param) {
    const char* names[] = {"Proftpd", "PureFtpd", "VsftpdUser"};
    return std::string(names[int(param.Server)]) + (param.Passive ? "Passive" : "Active");
}

class RealServersTest : public FtpClientFixture, public ::testing::WithParamInterface<Param> {
protected:
    // Each test program runs one test, so only the server it needs is started.
    static RealFtpServer& Server(Kind kind) {
        std::unique_ptr<RealFtpServer>& server = Servers[kind];
        if (!server) {
            if (kind == Kind::Proftpd) server = std::make_unique<ProftpdServer>();
            if (kind == Kind::PureFtpd) server = std::make_unique<PureFtpdServer>();
            if (kind == Kind::VsftpdUser) server = std::make_unique<VsftpdUserServer>();
        }
        return *server;
    }
    static void TearDownTestSuite() { Servers.clear(); }

    void SetUp() override {
        Real = &Server(GetParam().Server);
        if (!Real->Started()) GTEST_SKIP() << "server not available: " << Real->Problem;
        FtpClientFixture::SetUp();
        Folder = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::replace(Folder.begin(), Folder.end(), '/', '_');
        Here = Real->HomeFolder + "/" + Folder;
        std::filesystem::create_directories(Here);
        Real->GiveToServer(Here);
        Connection = Connect(Real->Port, Real->User, Real->Password, GetParam().Passive);
        ASSERT_NE(Connection, NoInternetHandle) << GetLastErrorCode() << " " << LastResponse();
    }

    static std::map<Kind, std::unique_ptr<RealFtpServer>> Servers;
    RealFtpServer* Real = nullptr;
    std::string Folder;
    std::string Here;
    InternetHandle Connection = NoInternetHandle;
    TempFolder Local;
};

std::map<Kind, std::unique_ptr<RealFtpServer>> RealServersTest::Servers;

TEST_P(RealServersTest, CallsWorkFromTheLoginFolder) {
    std::string directory;
    ASSERT_TRUE(FtpGetCurrentDirectory(Connection, directory));
    EXPECT_EQ(directory, Real->Home);
    // A folder named relative to the login folder.
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, Folder)) << LastResponse();
    ASSERT_TRUE(FtpCreateDirectory(Connection, "made")) << LastResponse();
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, "made"));

    std::string data(300 * 1024 + 5, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 13);
    WriteTextFile(Local / "up.bin", data);
    ASSERT_TRUE(FtpPutFile(Connection, Local / "up.bin", "up.bin", FtpTransferTypeBinary, 2))
        << GetLastErrorCode() << " " << LastResponse();
    EXPECT_EQ(ReadTextFile(Here + "/made/up.bin"), data);
    ASSERT_TRUE(FtpRenameFile(Connection, "up.bin", "moved.bin")) << LastResponse();
    ASSERT_TRUE(
        FtpGetFile(Connection, "moved.bin", Local / "down.bin", false, FtpTransferTypeBinary, 4));
    EXPECT_EQ(ReadTextFile(Local / "down.bin"), data);
    std::vector<FindData> listed = ListAll(Connection, "moved.bin");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].SizeLow, data.size());

    ASSERT_TRUE(FtpCommand(Connection, "SITE CHMOD 600 moved.bin", 0)) << LastResponse();
    EXPECT_EQ(ModeOf(Here + "/made/moved.bin"), 0600u);
    EXPECT_FALSE(FtpDeleteFile(Connection, "missing.bin"));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetExtendedError);
    ASSERT_TRUE(FtpDeleteFile(Connection, "moved.bin"));
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, ".."));
    ASSERT_TRUE(FtpRemoveDirectory(Connection, "made")) << LastResponse();
    EXPECT_FALSE(std::filesystem::exists(Here + "/made"));
}

// vsftpd, ProFTPD and Pure-FTPd leave names beginning with "." out of a plain LIST.
TEST_P(RealServersTest, ListingShowsDotFilesWithOneRequest) {
    WriteTextFile(Here + "/.htaccess", "Deny me");
    WriteTextFile(Here + "/index.html", "abc");
    std::filesystem::create_directory(Here + "/.git");
    std::filesystem::create_directory(Here + "/empty");
    // An old time is listed with its year and no clock time: a date.
    timespec old[2] = {{1583298367, 0}, {1583298367, 0}};  // 2020-03-04 05:06:07 UTC
    utimensat(AT_FDCWD, (Here + "/.htaccess").c_str(), old, 0);
    Real->GiveToServer(Here);
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, Folder));
    size_t before = Real->Commands().size();

    std::vector<FindData> entries = ListAll(Connection);
    std::map<std::string, FindData> byName;
    for (const FindData& entry : entries) byName[entry.Name] = entry;
    std::vector<std::string> names;
    for (const auto& [name, entry] : byName) names.push_back(name);
    EXPECT_EQ(names,
              (std::vector<std::string>{".", "..", ".git", ".htaccess", "empty", "index.html"}));
    const FindData& hidden = byName[".htaccess"];
    EXPECT_EQ(hidden.SizeLow, 7u);
    EXPECT_EQ(hidden.Attributes, Attribute::Hidden);
    CalendarTime listed = CalendarFromFileTime(hidden.LastWriteTime);
    EXPECT_EQ((std::vector<int>{listed.Year, listed.Month, listed.Day, listed.Hour, listed.Minute}),
              (std::vector<int>{2020, 3, 4, 0, 0}));
    EXPECT_EQ(byName[".git"].Attributes, Attribute::Directory | Attribute::Hidden);
    EXPECT_EQ(byName["index.html"].SizeLow, 3u);
    EXPECT_EQ(byName["index.html"].Attributes, Attribute::Normal);

    // An empty folder lists "." and "..", with one request too.
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, "empty"));
    EXPECT_EQ(Names(ListAll(Connection)), (std::vector<std::string>{".", ".."}));
    if (!Real->LogsCommands()) return;
    std::vector<std::string> sent = Real->Commands();
    sent.erase(sent.begin(), sent.begin() + std::min(before, sent.size()));
    for (std::string& command : sent) command = command.substr(0, command.find(' '));
    std::string data = GetParam().Passive ? "PASV" : "PORT";
    EXPECT_EQ(sent, (std::vector<std::string>{data, "LIST", "CWD", data, "LIST"}));
}

// What a server's listing cannot vouch for: a folder it could not read (vsftpd
// and Pure-FTPd say so in a positive closing reply; ProFTPD lists it as empty, and
// only MLSD refuses it), a folder larger than it lists (Pure-FTPd stops at 10,000
// entries), and links, which are listed as links, with their own size. The
// file's exact size and time come from SIZE and MDTM.
TEST_P(RealServersTest, ListingsSayWhatTheyCannotVouchFor) {
    std::filesystem::create_directory(Here + "/unread");
    WriteTextFile(Here + "/unread/a.txt", "a");
    WriteTextFile(Here + "/target.txt", "target");
    std::filesystem::create_symlink("target.txt", Here + "/link.txt");
    Real->GiveToServer(Here);
    chmod((Here + "/unread").c_str(), 0311);
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, Folder + "/unread")) << LastResponse();
    FindData entry;
    InternetHandle find = FtpFindFirstFile(Connection, "", entry, 0, 3);
    if (GetParam().Server == Kind::Proftpd) {
        EXPECT_EQ(find, NoInternetHandle);
        EXPECT_EQ(GetLastErrorCode(), ErrorCode::NoMoreFiles);
        EXPECT_EQ(FtpFindFirstFile(Connection, "", entry, FtpFlagListByFacts, 3), NoInternetHandle);
        EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetExtendedError);
        EXPECT_EQ(LastResponse().substr(0, 4), "550 ");
    } else {
        EXPECT_EQ(find, NoInternetHandle);
        EXPECT_EQ(GetLastErrorCode(), ErrorCode::AccessDenied) << LastResponse();
        EXPECT_EQ(LastResponse().substr(0, 3), "226");
    }

    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, ".."));
    std::map<std::string, FindData> byName;
    for (const FindData& listed : ListAll(Connection)) byName[listed.Name] = listed;
    EXPECT_EQ(byName["link.txt"].Attributes, Attribute::ReparsePoint);
    EXPECT_EQ(byName["link.txt"].SizeLow, 10u);  // "target.txt"
    uint64_t size = 0;
    ASSERT_TRUE(FtpGetFileSize(Connection, "link.txt", size)) << LastResponse();
    EXPECT_EQ(size, 6u);
    FileTime time;
    ASSERT_TRUE(FtpGetFileTime(Connection, "target.txt", time)) << LastResponse();
    struct stat info {};
    stat((Here + "/target.txt").c_str(), &info);
    EXPECT_EQ(time.Ticks() / 10000000 - 11644473600ull, uint64_t(info.st_mtime));
    EXPECT_FALSE(FtpGetFileSize(Connection, "missing", size));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::InternetExtendedError);

    if (GetParam().Server != Kind::PureFtpd) return;
    const std::string big = Here + "/big";
    std::filesystem::create_directory(big);
    for (int i = 0; i < 10050; ++i) WriteTextFile(big + "/f" + std::to_string(i), "");
    Real->GiveToServer(big);
    ASSERT_TRUE(FtpSetCurrentDirectory(Connection, "big"));
    size_t count = 0;
    find = FtpFindFirstFile(Connection, "", entry, 0, 3);
    ASSERT_NE(find, NoInternetHandle);
    do ++count;
    while (InternetFindNextFile(find, entry));
    EXPECT_EQ(GetLastErrorCode(), ErrorCode::MoreData);
    EXPECT_EQ(count, 10000u);
    InternetCloseHandle(find);
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServersTest,
                         ::testing::Values(Param{Kind::Proftpd, true}, Param{Kind::Proftpd, false},
                                           Param{Kind::PureFtpd, true},
                                           Param{Kind::PureFtpd, false},
                                           Param{Kind::VsftpdUser, true},
                                           Param{Kind::VsftpdUser, false}),
                         [](const auto& info) { return NameOf(info.param); });

}  // namespace
