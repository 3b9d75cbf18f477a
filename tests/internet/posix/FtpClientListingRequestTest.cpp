// Listings against scripted servers that understand "LIST -a" in every way a
// server can: what the client lists, which requests it sends, and what it keeps
// sending on the same connection.

#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

#include "common/ErrorCodes.h"
#include "tests/internet/posix/FtpClientFixture.h"
#include "tests/support/FtpServers.h"

using namespace platform;

namespace {

// How a scripted server answers one LIST request: its first reply, and when that
// is 150, the listing data and the final reply.
struct Answer {
    std::string First;
    std::string Data;
    std::string Final = "226 Done.";
};

const std::string Dots =
    "drwxr-xr-x 2 u g 4096 Dec  8 01:00 .\r\n"
    "drwxr-xr-x 3 u g 4096 Dec  8 01:00 ..\r\n";
const std::string Hidden = "-rw-r--r-- 1 u g 7 Dec  8 01:00 .htaccess\r\n";
const std::string Visible = "-rw-r--r-- 1 u g 3 Dec  8 01:00 index.html\r\n";
const Answer Listing{"150 Here.", Visible};
const Answer Empty{"150 Here.", ""};

struct Case {
    const char* What;
    Answer DashA;
    Answer Plain;
    std::vector<std::string> Names;   // of the first listing
    uint32_t Error;                   // of the first listing, 0 when it lists
    std::vector<std::string> First;   // LIST requests of the first listing
    std::vector<std::string> Second;  // ... and of a second one on the same connection
};

TEST(FtpClientListingRequest, DashAIsUsedWhereItWorksAndNeverEmptiesAFolder) {
    const std::vector<std::string> dashA = {"LIST -a"}, both = {"LIST -a", "LIST"},
                                   plain = {"LIST"};
    const Case cases[] = {
        {"dot files shown",
         {"150 Here.", Dots + Hidden + Visible},
         Listing,
         {".", "..", ".htaccess", "index.html"},
         0,
         dashA,
         dashA},
        {"-a ignored", Listing, Listing, {"index.html"}, 0, dashA, dashA},
        {"option refused", {"501 Unknown option.", ""}, Listing, {"index.html"}, 0, both, plain},
        {"-a taken for a name: nothing", Empty, Listing, {"index.html"}, 0, both, plain},
        {"-a taken for a name: error text as data",
         {"150 Here.", "ls: cannot access '-a': No such file or directory\r\n"},
         Listing,
         {"index.html"},
         0,
         both,
         plain},
        {"-a taken for a file named -a",
         {"150 Here.", "-rw-r--r-- 1 u g 0 Dec  8 01:00 -a\r\n"},
         {"150 Here.", Visible + "-rw-r--r-- 1 u g 0 Dec  8 01:00 -a\r\n"},
         {"index.html", "-a"},
         0,
         both,
         plain},
        {"150 then 450",
         {"150 Here.", "", "450 -a: No such file."},
         Listing,
         {"index.html"},
         0,
         both,
         both},
        {"150 then 450 to both: a failed listing, not an empty folder",
         {"150 Here.", "", "450 No such directory."},
         {"150 Here.", "", "450 No such directory."},
         {},
         ErrorCode::InternetExtendedError,
         both,
         both},
        {"empty folder", Empty, Empty, {}, ErrorCode::NoMoreFiles, both, both},
        {"no data connection",
         {"425 Cannot open data connection.", ""},
         Listing,
         {},
         ErrorCode::InternetExtendedError,
         dashA,
         dashA},
        {"endless line",
         {"150 Here.", std::string(100 * 1024, 'x')},
         Listing,
         {},
         ErrorCode::InternetInvalidServerResponse,
         dashA,
         dashA},
    };
    for (const Case& c : cases) {
        uint16_t dataPort = 0;
        int dataListener = ListenOnLoopback(4, dataPort);
        std::mutex lock;
        std::vector<std::string> requests;
        ScriptedFtpServer server(
            "220 hi\r\n", LoginThen([&](ScriptedSession& s, const std::string& line) {
                if (line == "PASV")
                    return s.Send("227 Passive (127,0,0,1," + std::to_string(dataPort / 256) + "," +
                                  std::to_string(dataPort % 256) + ").\r\n");
                if (line.rfind("LIST", 0) != 0) return s.Send("200 ok\r\n");
                std::lock_guard<std::mutex> guard(lock);
                requests.push_back(line);
                const Answer& answer = line == "LIST -a" ? c.DashA : c.Plain;
                // The client connected before it asked; its data connection goes
                // whatever the answer.
                int data = accept(dataListener, nullptr, nullptr);
                if (answer.First.rfind("150", 0) != 0) {
                    close(data);
                    return s.Send(answer.First + "\r\n");
                }
                s.Send(answer.First + "\r\n");
                ScriptedSession(data).Send(answer.Data);
                close(data);
                return s.Send(answer.Final + "\r\n");
            }));
        InternetHandle session = InternetOpen("VelCopyTest");
        InternetHandle connection =
            InternetConnect(session, "127.0.0.1", server.Port(), "u", "p", InternetFlagPassive, 0);
        ASSERT_NE(connection, NoInternetHandle) << c.What;
        std::vector<std::string> names;
        FindData entry;
        SetLastErrorCode(0);
        InternetHandle find = FtpFindFirstFile(connection, "", entry, 0, 3);
        uint32_t error = find ? 0 : GetLastErrorCode();
        if (find) {
            do names.push_back(entry.Name);
            while (InternetFindNextFile(find, entry));
            InternetCloseHandle(find);
        }
        EXPECT_EQ(error, c.Error) << c.What;
        EXPECT_EQ(names, c.Names) << c.What;
        std::vector<std::string> first;
        {
            std::lock_guard<std::mutex> guard(lock);
            first.swap(requests);
        }
        EXPECT_EQ(first, c.First) << c.What;
        find = FtpFindFirstFile(connection, "", entry, 0, 3);
        if (find) InternetCloseHandle(find);
        std::lock_guard<std::mutex> guard(lock);
        EXPECT_EQ(requests, c.Second) << c.What;
        InternetCloseHandle(connection);
        InternetCloseHandle(session);
        close(dataListener);
    }
}

}  // namespace
