#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "common/ErrorCodes.h"
#include "platform/LastError.h"
#include "storage/DirectoryList.h"
#include "tests/support/TempFolder.h"

namespace {

std::unique_ptr<VelDirectoryEntry> Entry(const std::string& name) {
    auto entry = std::make_unique<VelDirectoryEntry>();
    entry->Name = name;
    return entry;
}

std::unique_ptr<VelDirectoryList> ListOf(std::initializer_list<const char*> names) {
    auto list = std::make_unique<VelDirectoryList>();
    for (const char* name : names) list->Add(Entry(name));
    return list;
}

std::set<std::string> NamesOf(const VelDirectoryList& list) {
    std::set<std::string> names;
    for (int i = 1; i <= list.Count(); ++i) names.insert(list.EntryAt(i)->Name);
    return names;
}

const VelDirectoryEntry* Named(const VelDirectoryList& list, const std::string& name) {
    for (int i = 1; i <= list.Count(); ++i) {
        if (list.EntryAt(i)->Name == name) return list.EntryAt(i);
    }
    return nullptr;
}

// Lookups -------------------------------------------------------------------

TEST(DirectoryListLookupTest, ExactLookupIsCaseSensitiveTheOtherIsNot) {
    auto list = ListOf({"other", "readme.txt"});
    EXPECT_EQ(list->FindByName("Readme.TXT", true), nullptr);
    EXPECT_EQ(list->FindByName("readme.txt", true), list->EntryAt(2));
    EXPECT_EQ(list->FindByName("Readme.TXT", false), list->EntryAt(2));
    EXPECT_EQ(list->FindByName("missing", false), nullptr);
}

TEST(DirectoryListLookupTest, ExactLookupFindsTheFirstInListOrder) {
    auto list = ListOf({"a", "b", "a"});
    EXPECT_EQ(list->FindByName("a", true), list->EntryAt(1));
}

TEST(DirectoryListLookupTest, CountingDuplicates) {
    struct Case {
        std::initializer_list<const char*> names;
        const char* wanted;
        int count;
    } cases[] = {
        {{"A.txt", "a.txt"}, "A.TXT", 2},
        {{"a.txt"}, "A.TXT", 1},
        {{"a.txt", "b.txt"}, "c.txt", 0},
        {{"A.txt", "x", "a.TXT", "a.txt"}, "a.txt", 3},
        // The umlauts are equal to the comparison, but only keys after the first
        // that are byte-equal to the lowered name add to the count.
        {{"\xC4.txt", "\xE4.txt"}, "\xC4.txt", 1},
        {{"\xC4.txt", "\xE4.txt"}, "\xE4.txt", 2},
        {{}, "a", 0},
    };
    for (const Case& c : cases) {
        auto list = ListOf(c.names);
        auto [entry, count] = list->FindCountingDuplicates(c.wanted);
        EXPECT_EQ(count, c.count) << c.wanted;
        EXPECT_EQ(entry == nullptr, c.count == 0) << c.wanted;
    }
}

TEST(DirectoryListLookupTest, LettersOutsideAsciiMatchIgnoringCase) {
    auto list = ListOf({"x", "\xC4.txt", "\xD0\x96urnal"});
    EXPECT_EQ(list->FindByName("\xE4.txt", false), list->EntryAt(2));
    EXPECT_EQ(list->FindByName("\xD0\xB6URNAL", false), list->EntryAt(3));
    EXPECT_EQ(list->FindByName("\xE4.txt", true), nullptr);
}

TEST(DirectoryListLookupTest, IndexFollowsAddAndDelete) {
    auto list = ListOf({"a.txt"});
    EXPECT_EQ(list->FindByName("B.TXT", false), nullptr);
    list->Add(Entry("b.txt"));
    EXPECT_EQ(list->FindByName("B.TXT", false), list->EntryAt(2));
    list->Delete(1);
    EXPECT_EQ(list->Count(), 1);
    EXPECT_EQ(list->FindByName("A.TXT", false), nullptr);
    EXPECT_EQ(list->FindByName("B.TXT", false), list->EntryAt(1));
}

TEST(DirectoryListLookupTest, ManyNamesAllFound) {
    auto list = std::make_unique<VelDirectoryList>();
    for (int i = 0; i < 2000; ++i) list->Add(Entry("File" + std::to_string(i * 7919 % 2000)));
    for (int i = 0; i < 2000; i += 37) {
        VelDirectoryEntry* found = list->FindByName("FILE" + std::to_string(i), false);
        ASSERT_NE(found, nullptr) << i;
        EXPECT_EQ(found->Name, "File" + std::to_string(i));
    }
}

// Listing real folders ------------------------------------------------------

class DirectoryListFolderTest : public ::testing::Test {
protected:
    TempFolder Root;
};

TEST_F(DirectoryListFolderTest, ListsEverythingWithDotEntries) {
    WriteTextFile(Root / "a.txt", "12345");
    WriteTextFile(Root / ".hidden", "");
    mkdir((Root / "sub").c_str(), 0755);
    std::unique_ptr<VelDirectoryList> list(VelDirectoryList::CreateFromFolder(Root.Path, ""));
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::NoMoreFiles);
    EXPECT_EQ(NamesOf(*list), (std::set<std::string>{".", "..", "a.txt", ".hidden", "sub"}));
    EXPECT_TRUE(Named(*list, ".")->IsDirectory());
    EXPECT_TRUE(Named(*list, ".")->IsDotEntry());
    EXPECT_FALSE(Named(*list, ".")->IsHidden());
    EXPECT_TRUE(Named(*list, ".hidden")->IsHidden());
    EXPECT_TRUE(Named(*list, "sub")->IsDirectory());
    EXPECT_EQ(Named(*list, "sub")->Size, 0);
    EXPECT_EQ(Named(*list, "a.txt")->Size, 5);
    EXPECT_FALSE(Named(*list, "a.txt")->IsDirectory());
}

// A large folder has its entries examined on two threads; every entry must
// still come back once, with its own size, in the order the folder lists them.
TEST_F(DirectoryListFolderTest, LargeFolderListsEveryEntryOnceWithItsOwnRecord) {
    std::set<std::string> expected{".", ".."};
    for (int i = 0; i < 1000; ++i) {
        std::string name = "f" + std::to_string(i);
        WriteTextFile(Root / name, std::string(size_t(i), 'x'));
        expected.insert(name);
    }
    std::unique_ptr<VelDirectoryList> list(VelDirectoryList::CreateFromFolder(Root.Path, ""));
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::NoMoreFiles);
    ASSERT_EQ(list->Count(), 1002);
    EXPECT_EQ(NamesOf(*list), expected);
    std::vector<std::string> listedOrder;
    for (int i = 1; i <= list->Count(); ++i) {
        const VelDirectoryEntry& entry = *list->EntryAt(i);
        listedOrder.push_back(entry.Name);
        if (!entry.IsDotEntry()) {
            EXPECT_EQ(entry.Size, std::stoll(entry.Name.substr(1)));
        }
    }
    std::vector<std::string> folderOrder;
    for (const auto& item : std::filesystem::directory_iterator(Root.Path))
        folderOrder.push_back(item.path().filename().string());
    listedOrder.erase(std::remove_if(listedOrder.begin(), listedOrder.end(),
                                     [](const std::string& n) { return n == "." || n == ".."; }),
                      listedOrder.end());
    EXPECT_EQ(listedOrder, folderOrder);
}

TEST_F(DirectoryListFolderTest, EmptyFolderStillHasDotEntries) {
    std::unique_ptr<VelDirectoryList> list(VelDirectoryList::CreateFromFolder(Root.Path, ""));
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::NoMoreFiles);
}

TEST_F(DirectoryListFolderTest, FailuresGiveAnEmptyListAndTheReason) {
    WriteTextFile(Root / "file", "x");
    struct Case {
        std::string folder;
        uint32_t code;
    } cases[] = {
        {Root / "missing", ErrorCode::PathNotFound},
        {Root / "missing/deeper", ErrorCode::PathNotFound},
        {Root / "file", ErrorCode::DirectoryInvalid},
        {Root / std::string(300, 'n'), ErrorCode::FilenameExcedRange},
    };
    for (const Case& c : cases) {
        platform::SetLastErrorCode(0);
        std::unique_ptr<VelDirectoryList> list(VelDirectoryList::CreateFromFolder(c.folder, ""));
        EXPECT_EQ(list->Count(), 0) << c.folder;
        EXPECT_EQ(platform::GetLastErrorCode(), c.code) << c.folder;
    }
}

TEST_F(DirectoryListFolderTest, MasksSelectEntries) {
    for (const char* name : {"a.txt", "b.txt", "c.doc", "noext", "A.TXT"}) {
        WriteTextFile(Root / name, "");
    }
    struct Case {
        const char* mask;
        std::set<std::string> names;
    } cases[] = {
        {"b.txt", {"b.txt"}}, {"B.txt", {}},
        {"missing", {}},      {"*.txt", {"a.txt", "b.txt"}},
        {"?.doc", {"c.doc"}}, {"*.*", {".", "..", "a.txt", "b.txt", "c.doc", "noext", "A.TXT"}},
        {"n*t", {"noext"}},   {"*.zip", {}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<VelDirectoryList> list(
            VelDirectoryList::CreateFromFolder(Root.Path, c.mask));
        EXPECT_EQ(NamesOf(*list), c.names) << c.mask;
        EXPECT_EQ(platform::GetLastErrorCode(), ErrorCode::NoMoreFiles) << c.mask;
    }
}

TEST_F(DirectoryListFolderTest, EmptyFolderNameTakesTheMaskAlone) {
    WriteTextFile(Root / "only.txt", "");
    std::unique_ptr<VelDirectoryList> list(
        VelDirectoryList::CreateFromFolder("", Root / "only.txt"));
    EXPECT_EQ(NamesOf(*list), std::set<std::string>{"only.txt"});
}

TEST_F(DirectoryListFolderTest, SizeAbove4GiBSplitsIntoHalves) {
    std::string path = Root / "sparse";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t(0x100000005LL)), 0);
    close(fd);
    std::unique_ptr<VelDirectoryList> list(VelDirectoryList::CreateFromFolder(Root.Path, "sparse"));
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->EntryAt(1)->SizeHigh, 1u);
    EXPECT_EQ(list->EntryAt(1)->SizeLow, 5u);
    EXPECT_EQ(list->EntryAt(1)->Size, 0x100000005LL);
}

TEST_F(DirectoryListFolderTest, ModifiedTimeAndReadOnlyFromTheFile) {
    ScopedTimeZone utc("UTC");
    WriteTextFile(Root / "old.txt", "x");
    SetModified(Root / "old.txt", 946684800 + 3600);  // 2000-01-01 01:00:00 UTC
    chmod((Root / "old.txt").c_str(), 0444);
    std::unique_ptr<VelDirectoryList> list(
        VelDirectoryList::CreateFromFolder(Root.Path, "old.txt"));
    ASSERT_EQ(list->Count(), 1);
    EXPECT_DOUBLE_EQ(list->EntryAt(1)->ModifiedTime, 36526.0 + 1.0 / 24);
    EXPECT_TRUE(list->EntryAt(1)->IsReadOnly());
}

TEST_F(DirectoryListFolderTest, LinksAreFollowedAndMarked) {
    mkdir((Root / "target").c_str(), 0755);
    WriteTextFile(Root / "file", "123");
    symlink("target", (Root / "dirlink").c_str());
    symlink("file", (Root / "filelink").c_str());
    symlink("nowhere", (Root / "dangling").c_str());
    std::unique_ptr<VelDirectoryList> list(VelDirectoryList::CreateFromFolder(Root.Path, ""));
    const uint32_t link = platform::Attribute::ReparsePoint;
    ASSERT_NE(Named(*list, "dirlink"), nullptr);
    EXPECT_TRUE(Named(*list, "dirlink")->IsDirectory());
    EXPECT_TRUE(Named(*list, "dirlink")->Attributes & link);
    EXPECT_EQ(Named(*list, "filelink")->Size, 3);
    EXPECT_TRUE(Named(*list, "filelink")->Attributes & link);
    ASSERT_NE(Named(*list, "dangling"), nullptr);
    EXPECT_FALSE(Named(*list, "dangling")->IsDirectory());
    EXPECT_TRUE(Named(*list, "dangling")->Attributes & link);
    EXPECT_TRUE(Named(*list, "dangling")->IsSpecialFile());
    EXPECT_FALSE(Named(*list, "filelink")->IsSpecialFile());
    EXPECT_FALSE(Named(*list, "file")->Attributes & link);
}

TEST_F(DirectoryListFolderTest, UnreadableFolderGivesAccessDenied) {
    mkdir((Root / "closed").c_str(), 0700);
    chmod(Root.Path.c_str(), 0755);
    std::string folder = Root / "closed";
    int result = RunAsNobody([&] {
        std::unique_ptr<VelDirectoryList> list(VelDirectoryList::CreateFromFolder(folder, ""));
        return list->Count() == 0 && platform::GetLastErrorCode() == ErrorCode::AccessDenied ? 0
                                                                                             : 1;
    });
    if (result == 125) GTEST_SKIP() << "cannot drop privileges to nobody here";
    EXPECT_EQ(result, 0);
}

}  // namespace
