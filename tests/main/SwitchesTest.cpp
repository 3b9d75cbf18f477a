#include "common/DateTime.h"
#include "tests/main/ProgramBodyFixture.h"

namespace {

TEST_F(ProgramBodyTest, NoSwitchesLeavesRecurseAndNewerOnlyOff) {
    ASSERT_EQ(Run({"a", "b"}), 0);
    const VelSyncFlags& o = run.Options;
    EXPECT_FALSE(o.Recurse);
    EXPECT_FALSE(o.NewerOnly);
    EXPECT_FALSE(o.MakeTargetDir || o.ContinueOnError || o.DeleteObsolete || o.IgnoreErrors ||
                 o.Simulate || o.OverwriteReadOnly || o.Explain);
    EXPECT_EQ(o.StartDate, 0);
    EXPECT_EQ(o.DriftSeconds, 0u);
    EXPECT_EQ(o.FSwitchFirst, 0u);
    EXPECT_TRUE(o.NewFileMode.empty() && o.NewFolderMode.empty() && o.TempPrefix.empty());
    EXPECT_TRUE(o.TextFileSpecs.empty() && o.CopySpecs.empty() && o.ExcludeFileSpecs.empty() &&
                o.IgnoreFileSpecs.empty() && o.MoveSpecs.empty() && o.ExcludeFolderSpecs.empty() &&
                o.IgnoreFolderSpecs.empty());
    EXPECT_EQ(console.Text, "");
}

TEST_F(ProgramBodyTest, EachFlagSwitch) {
    struct {
        const char* argument;
        bool VelSyncFlags::*field;
    } cases[] = {
        {"/C", &VelSyncFlags::ContinueOnError},     {"/M", &VelSyncFlags::MakeTargetDir},
        {"/delete", &VelSyncFlags::DeleteObsolete}, {"/I", &VelSyncFlags::IgnoreErrors},
        {"/Sim", &VelSyncFlags::Simulate},          {"/s", &VelSyncFlags::Recurse},
        {"/R", &VelSyncFlags::OverwriteReadOnly},   {"/N", &VelSyncFlags::NewerOnly},
    };
    bool VelSyncFlags::*all[] = {&VelSyncFlags::ContinueOnError,   &VelSyncFlags::MakeTargetDir,
                                 &VelSyncFlags::DeleteObsolete,    &VelSyncFlags::IgnoreErrors,
                                 &VelSyncFlags::Simulate,          &VelSyncFlags::Recurse,
                                 &VelSyncFlags::OverwriteReadOnly, &VelSyncFlags::NewerOnly};
    for (auto& c : cases) {
        run = RunRecord();
        ASSERT_EQ(Run({"a", "b", c.argument}), 0);
        ASSERT_TRUE(run.Ran) << c.argument;
        for (auto field : all) EXPECT_EQ(run.Options.*field, field == c.field) << c.argument;
    }
}

TEST_F(ProgramBodyTest, LongerNamesAreLookedUpBeforeTheirPrefixes) {
    ASSERT_EQ(Run({"/Sim", "a", "/delete", "b", "/D:2024-03-01", "/CH:755", "/S"}), 0);
    EXPECT_TRUE(run.Options.Simulate);
    EXPECT_TRUE(run.Options.Recurse);
    EXPECT_TRUE(run.Options.DeleteObsolete);
    EXPECT_FALSE(run.Options.ContinueOnError);
    EXPECT_EQ(run.Options.StartDate, EncodeDateTime({2024, 3, 1, 0, 0, 0, 0}));
    EXPECT_EQ(run.Options.NewFileMode, "755");
    EXPECT_EQ(run.Source.Location, "a");
    EXPECT_EQ(run.Destination.Location, "b");
}

TEST_F(ProgramBodyTest, ChmodModes) {
    struct {
        StringList switches;
        std::string file, folder;
    } cases[] = {
        {{"/CH:755"}, "755", "755"},
        {{"/ChmodF:644", "/ChmodS:755"}, "644", "755"},
        {{"/chmodf:644"}, "644", ""},
        {{"/ChmodF:644", "/CH:700", "/ChmodS:755"}, "700", "700"},
    };
    for (auto& c : cases) {
        run = RunRecord();
        StringList arguments = {"a", "b"};
        arguments.insert(arguments.end(), c.switches.begin(), c.switches.end());
        ASSERT_EQ(Run(arguments), 0);
        EXPECT_EQ(run.Options.NewFileMode, c.file);
        EXPECT_EQ(run.Options.NewFolderMode, c.folder);
        EXPECT_FALSE(run.Options.ContinueOnError);
    }
}

TEST_F(ProgramBodyTest, DriftSeconds) {
    const std::pair<StringList, uint32_t> cases[] = {
        {{"/1"}, 1}, {{"/2"}, 2}, {{"/2", "/1"}, 3}, {{}, 0}};
    for (auto& [switches, drift] : cases) {
        StringList arguments = {"a", "b"};
        arguments.insert(arguments.end(), switches.begin(), switches.end());
        ASSERT_EQ(Run(arguments), 0);
        EXPECT_EQ(run.Options.DriftSeconds, drift);
        run = RunRecord();
    }
}

TEST_F(ProgramBodyTest, StartDateAndOtherValues) {
    ASSERT_EQ(Run({"a", "b", "/D:12/31/24", "/T:~tmp:x", "/F:3,5"}), 0);
    EXPECT_EQ(run.Options.StartDate, EncodeDateTime({2024, 12, 31, 0, 0, 0, 0}));
    EXPECT_EQ(run.Options.TempPrefix, "~tmp:x");
    EXPECT_EQ(run.Options.FSwitchFirst, 3u);
    EXPECT_EQ(run.Options.FSwitchSecond, 5u);
}

TEST_F(ProgramBodyTest, PatternsAccumulateInOrder) {
    ASSERT_EQ(Run({"+*.htm", "a", "-a.txt", "-docs\\", "/A:*.txt", "b", "+*.css", "-tmp/", "^*.mov",
                   "#keep.me", "#cache/", "/a:*.ini", "^*.avi", "-"}),
              0);
    const VelSyncFlags& o = run.Options;
    EXPECT_EQ(o.CopySpecs, (StringList{"*.htm", "*.css"}));
    EXPECT_EQ(o.ExcludeFileSpecs, (StringList{"a.txt", ""}));
    EXPECT_EQ(o.ExcludeFolderSpecs, (StringList{"docs", "tmp"}));
    EXPECT_EQ(o.MoveSpecs, (StringList{"*.mov", "*.avi"}));
    EXPECT_EQ(o.IgnoreFileSpecs, (StringList{"keep.me"}));
    EXPECT_EQ(o.IgnoreFolderSpecs, (StringList{"cache"}));
    EXPECT_EQ(o.TextFileSpecs, (StringList{"*.txt", "*.ini"}));
    EXPECT_EQ(run.Source.Location, "a");
    EXPECT_EQ(run.Destination.Location, "b");
}

TEST_F(ProgramBodyTest, UsersAndPasswords) {
    ASSERT_EQ(Run({"a", "b", "/P:x", "/U:u", "/P:y"}), 0);
    EXPECT_EQ(console.Text, "");
    EXPECT_EQ(run.Source.UserName, "u");
    EXPECT_EQ(run.Destination.UserName, "u");
    EXPECT_EQ(run.Source.Password, "x");
    EXPECT_EQ(run.Destination.Password, "y");
    run = RunRecord();
    ASSERT_EQ(Run({"a", "b", "/U:me", "/U:other", "/P:p:w"}), 0);
    EXPECT_EQ(run.Source.UserName, "me");
    EXPECT_EQ(run.Destination.UserName, "other");
    EXPECT_EQ(run.Source.Password, "p:w");
    EXPECT_EQ(run.Destination.Password, "p:w");
}

TEST_F(ProgramBodyTest, TransferModesPerSide) {
    struct {
        StringList switches;
        bool sourceActive, sourcePassive, destinationActive, destinationPassive;
    } cases[] = {
        {{}, true, true, true, true},
        {{"/Passive"}, false, true, false, false},
        {{"/ACTIVE"}, true, false, false, false},
        {{"/Active", "/Passive"}, true, true, false, false},
        {{"/Passive", "/Passive"}, false, true, false, true},
        {{"/active", "/passive", "/active"}, true, true, true, false},
    };
    for (auto& c : cases) {
        run = RunRecord();
        StringList arguments = {"a", "ftp://host/dir"};
        arguments.insert(arguments.end(), c.switches.begin(), c.switches.end());
        ASSERT_EQ(Run(arguments), 0) << testing::PrintToString(c.switches);
        ASSERT_TRUE(run.Ran) << testing::PrintToString(c.switches);
        EXPECT_EQ(run.Source.UseActive, c.sourceActive);
        EXPECT_EQ(run.Source.UsePassive, c.sourcePassive);
        EXPECT_EQ(run.Destination.UseActive, c.destinationActive);
        EXPECT_EQ(run.Destination.UsePassive, c.destinationPassive);
    }
}

TEST_F(ProgramBodyTest, AbsolutePosixPathsAreLocations) {
    ASSERT_EQ(Run({"/tmp/a/src", "/tmp/b/", "/S"}), 0);
    EXPECT_EQ(run.Source.Location, "/tmp/a/src");
    EXPECT_EQ(run.Destination.Location, "/tmp/b/");
    EXPECT_TRUE(run.Options.Recurse);
    run = RunRecord();
    // Paths that begin like /H, /D, /S, /P and /U switches, and a share.
    ASSERT_EQ(Run({"/home/me/data", "//server/share/dir", "/U:/users/me"}), 0);
    EXPECT_EQ(run.Source.Location, "/home/me/data");
    EXPECT_EQ(run.Destination.Location, "//server/share/dir");
    EXPECT_EQ(run.Source.UserName, "/users/me");
    EXPECT_FALSE(run.Options.Recurse);
    run = RunRecord();
    ASSERT_EQ(Run({"/data/", "/srv/pub/", "/delete", "/D:2024-01-02", "/sim"}), 0);
    EXPECT_EQ(run.Source.Location, "/data/");
    EXPECT_TRUE(run.Options.DeleteObsolete && run.Options.Simulate);
}

TEST_F(ProgramBodyTest, VerboseExplain) {
    ASSERT_EQ(Run({"a", "b", "/v:explain"}), 0);
    EXPECT_TRUE(run.Options.Explain);
    const struct {
        const char* argument;
        bool explain;
    } cases[] = {{"/V:E", true}, {"/V:x", false}, {"/V", false}, {"/V:", false}};
    for (auto& c : cases) {
        run = RunRecord();
        ASSERT_EQ(Run({"a", "b", c.argument}), 0);
        EXPECT_EQ(run.Options.Explain, c.explain) << c.argument;
    }
}

}  // namespace
