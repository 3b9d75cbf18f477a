// The mirror's safety on real trees where it takes POSIX to make the case: a
// name that holds control characters, special files, links, and folders that
// may be listed but not entered.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include "tests/main/EndToEndSupport.h"

namespace {

using namespace endtoend;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

using EndToEndSafetyOnPosix = TwoTrees;

// Runs the program as the user nobody where permissions must hold (root reads
// and enters every folder), the whole tree being nobody's.
bool AsNobody(const std::string& root) {
    if (geteuid() != 0) return false;
    ChownTree(root, NobodyId);
    return true;
}

// Expects of a run over source entries that cannot be copied by their nature
// (`names`, each beside a destination file of that name): one warning each, the
// destination files kept, and the rest of the run, deletions included, made.
void ExpectLeftOutAndTheRunGoesOn(const RunResult& result, const std::string& src,
                                  const std::string& dst, const std::vector<std::string>& names,
                                  const std::string& why) {
    for (const std::string& name : names) {
        EXPECT_TRUE(HasLine(result, "!! Warning: " + src + "/" + name + why + ". Left out"))
            << name;
        EXPECT_EQ(ReadTextFile(dst + "/" + name), "keep") << name;
    }
    EXPECT_EQ(CountLinesStartingWith(result, "!! Warning: "), int(names.size()));
    EXPECT_EQ(CountLinesStartingWith(result, "!! Error: "), 0);
    EXPECT_EQ(ReadTextFile(dst + "/a.txt"), "a");
    EXPECT_FALSE(std::filesystem::exists(dst + "/gone.txt"));
}

TEST_F(EndToEndSafetyOnPosix, ControlCharactersInANameCannotForgeALineOrDriveTheTerminal) {
    const std::string forged = "evil\n!! Error: forged";
    const std::string coloured = "red\x1b[31m\r\x7f";
    MakeFile(Src + "/" + forged, "a");
    MakeFile(Src + "/" + coloured, "b");
    RunResult result = Run({"/V2"});
    EXPECT_EQ(ReadTextFile(Dst + "/" + forged), "a");  // the names themselves are kept
    EXPECT_EQ(ReadTextFile(Dst + "/" + coloured), "b");
    EXPECT_TRUE(HasLine(result, "Copying file evil\\n!! Error: forged"));
    EXPECT_TRUE(HasLine(result, "Copying file red\\x1b[31m\\r\\x7f"));
    EXPECT_EQ(CountLinesStartingWith(result, "!! "), 0);
    EXPECT_THAT(result.Console, HasSubstr("Copying file evil\\n!! Error: forged"));
    EXPECT_THAT(result.Console, Not(HasSubstr("\x1b")));
    EXPECT_THAT(result.Console, Not(HasSubstr("\n!!")));
}

TEST_F(EndToEndSafetyOnPosix, AMessageTheErrorLogCannotTakeIsStillShownBeforeTheProgramEnds) {
    MakeFile(Src + "/sub/a.txt", "a");
    std::filesystem::create_directory_symlink("..", Src + "/sub/loop");
    const std::string missing = Root / "missing/errors.log";
    BinaryOutcome outcome = RunBinary({Src, Dst, "/S", "/E:" + missing});
    EXPECT_EQ(outcome.ExitCode, 1);
    const size_t warning =
        outcome.Output.find("\r!! Warning: Folder " + Src + "/sub/loop is a link");
    const size_t failure = outcome.Output.find("VelCopy: cannot append to or create the log file");
    EXPECT_NE(warning, std::string::npos) << outcome.Output;
    EXPECT_LT(warning, failure);
}

// A folder that may be read but not entered lists its names, but none of them
// can be examined: the listing is incomplete, and what the destination holds
// there must survive /delete, at the root as below it.
TEST_F(EndToEndSafetyOnPosix, AListingWhoseEntriesCannotBeExaminedDeletesNothing) {
    for (const std::string folder : {"", "/sub"}) {
        SCOPED_TRACE("source folder " + Src + folder);
        MakeFile(Src + folder + "/a.txt", "a");
        MakeFile(Dst + folder + "/a.txt", "a");
        MakeFile(Dst + folder + "/only-here.txt", "keep");
        const bool asNobody = AsNobody(Root.Path);
        chmod((Src + folder).c_str(), 0644);
        RunResult result = Run({"/S", "/delete"}, asNobody);
        RunResult continued = Run({"/S", "/delete", "/C", "/I"}, asNobody);
        chmod((Src + folder).c_str(), 0755);
        EXPECT_TRUE(HasLine(result, "!! Error: Failed to list folder " + Src + folder +
                                        ". Access is denied. (5). Stopping"));
        EXPECT_TRUE(HasLine(continued, "!! Warning: Failed to list folder " + Src + folder +
                                           ". Access is denied. Continuing"));
        EXPECT_EQ(ReadTextFile(Dst + folder + "/only-here.txt"), "keep");
        EXPECT_EQ(ReadTextFile(Dst + folder + "/a.txt"), "a");
    }
}

TEST_F(EndToEndSafetyOnPosix, APipeASocketOrADeviceInTheSourceIsReportedAndLeftOut) {
    std::vector<std::string> names = {"pipe", "socket"};
    ASSERT_EQ(mkfifo((Src + "/pipe").c_str(), 0644), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = Src + "/socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(listener);
    if (mknod((Src + "/device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        names.push_back("device");  // only where devices may be made
    for (const std::string& name : names) MakeFile(Dst + "/" + name, "keep");
    MakeFile(Src + "/a.txt", "a");
    MakeFile(Dst + "/gone.txt", "old");
    // A pipe without a writer once made the run wait for ever.
    RunResult result = Run({"/delete"});
    ExpectLeftOutAndTheRunGoesOn(result, Src, Dst, names,
                                 " is neither a file nor a folder (a named pipe, a socket or a "
                                 "device)");
}

TEST_F(EndToEndSafetyOnPosix, ALinkThatLeadsNowhereIsReportedAndLeftOutWithoutStoppingTheRun) {
    symlink("nowhere", (Src + "/dangling").c_str());
    symlink("self", (Src + "/self").c_str());
    for (const std::string name : {"dangling", "self"}) MakeFile(Dst + "/" + name, "keep");
    MakeFile(Src + "/a.txt", "a");
    MakeFile(Dst + "/gone.txt", "old");
    RunResult result = Run({"/delete"});  // without /C a failed copy would stop the run
    ExpectLeftOutAndTheRunGoesOn(result, Src, Dst, {"dangling", "self"},
                                 " is a link that leads to no file or folder");
}

// A link to ".." once had the run copy into the destination's parent and
// delete the source and a sibling through it.
TEST_F(EndToEndSafetyOnPosix, ADestinationFolderLinkIsNeverFollowedToWriteOrDelete) {
    MakeFile(Src + "/up/a.txt", "a");
    MakeFile(Src + "/ext/b.txt", "b");
    MakeFile(Root / "outside/precious.txt", "precious");
    MakeFile(Root / "sibling/s.txt", "s");
    std::filesystem::create_directory_symlink("..", Dst + "/up");
    std::filesystem::create_directory_symlink(Root / "outside", Dst + "/ext");
    RunResult result = Run({"/S", "/delete"});
    for (const std::string link : {"/up", "/ext"}) {
        EXPECT_TRUE(HasLine(result, "!! Warning: Destination folder " + Dst + link +
                                        " is a link. Left as it is: nothing is copied into it "
                                        "or deleted through it"));
        EXPECT_TRUE(std::filesystem::is_symlink(Dst + link));
    }
    EXPECT_EQ(CountLinesStartingWith(result, "!! "), 2);
    EXPECT_THAT(TreeOf(Root / "outside"), ElementsAre("precious.txt"));
    EXPECT_THAT(TreeOf(Root / "sibling"), ElementsAre("s.txt"));
    EXPECT_THAT(TreeOf(Src), ElementsAre("ext", "ext/b.txt", "up", "up/a.txt"));
    EXPECT_FALSE(std::filesystem::exists(Root / "a.txt"));
}

// A link to the source is the source, as every other spelling of it is.
TEST_F(EndToEndSafetyOnPosix, ALinkToTheSourceIsTheSource) {
    const std::string data = Root / "data";
    MakeFile(data + "/a.txt", "a");
    std::filesystem::create_directories(data + "/backup");
    std::filesystem::create_directory_symlink("data", Root / "alias");
    RunResult aliased = RunVelCopy({data + "/", Root / "alias/backup", "/S", "/delete"}, Log);
    EXPECT_TRUE(HasLine(aliased, "!! Warning: The destination " + (Root / "alias/backup") +
                                     " lies inside the source, at " + data +
                                     "/backup. It is left out of the copy"));
    RunResult same = RunVelCopy({data, Root / "alias/", "/S", "/delete"}, Log);
    EXPECT_TRUE(HasLine(same, "!! Error: Source " + data + " and destination " + (Root / "alias/") +
                                  " are the same folder. Nothing is copied or deleted"));
    EXPECT_THAT(TreeOf(data), ElementsAre("a.txt", "backup", "backup/a.txt"));
}

TEST_F(EndToEndSafetyOnPosix, FolderLinksThatLeadThroughEachOtherAreNotEnteredAgain) {
    MakeFile(Src + "/a/x.txt", "x");
    MakeFile(Src + "/b/y.txt", "y");
    std::filesystem::create_directory_symlink("../b", Src + "/a/l");
    std::filesystem::create_directory_symlink("../a", Src + "/b/l");
    RunResult result = Run({"/S"});
    EXPECT_EQ(result.ExitCode, 0);
    for (const std::string loop : {"/a/l/l", "/b/l/l"})
        EXPECT_TRUE(HasLine(result, "!! Warning: Folder " + Src + loop +
                                        " leads back to a folder that is already being walked. "
                                        "Not descending into it"));
    EXPECT_THAT(TreeOf(Dst), ElementsAre("a", "a/l", "a/l/y.txt", "a/x.txt", "b", "b/l",
                                         "b/l/x.txt", "b/y.txt"));
}

}  // namespace
