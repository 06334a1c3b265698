// The collector dialogs' store steps on a real temporary folder, byte for byte.
#include "collectors/CollectorSteps.h"

#include "core/FileAttr.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"

#include "../../core/CoreTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace quorrel;
namespace fs = std::filesystem;

namespace {

struct Store : ::testing::Test {
    std::string docs;
    AppState state;

    void SetUp() override {
        char tmpl[] = "/tmp/quorrel-steps-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        docs = tmpl;
        fs::create_directories(docs + "/Clips/Data");
        state.DocumentsPath = docs;
    }
    void TearDown() override { fs::remove_all(docs); }

    std::string At(const std::string& rel) const { return docs + "/" + rel; }
    void Write(const std::string& rel, const std::string& bytes) const {
        fs::create_directories(fs::path(At(rel)).parent_path());
        std::ofstream(At(rel), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& rel) const {
        std::ifstream in(At(rel), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // Every entry below `root`: relative path -> "dir", "link:<target>" or the file's bytes.
    static std::map<std::string, std::string> Tree(const std::string& root) {
        std::map<std::string, std::string> t;
        for (auto it = fs::recursive_directory_iterator(root);
             it != fs::recursive_directory_iterator(); ++it) {
            const std::string rel = it->path().lexically_relative(root).string();
            if (it->is_symlink()) {
                t[rel] = "link:" + fs::read_symlink(it->path()).string();
            } else if (it->is_directory()) {
                t[rel] = "dir";
            } else {
                std::ifstream in(it->path(), std::ios::binary);
                std::stringstream ss;
                ss << in.rdbuf();
                t[rel] = ss.str();
            }
        }
        return t;
    }
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> v;
        for (const auto& e : fs::directory_iterator(At("Clips/Data")))
            if (e.path().filename().string().find('[') != std::string::npos)
                v.push_back(e.path().string());
        return v;
    }
    // A collector as the program leaves it after three clips and two pictures.
    void MakeFull(const std::string& name) {
        const std::string c = "Clips/Data/" + name + "/";
        Write(c + "Settings.ini", "[Collector]\r\nClipNumber=3\r\n");
        for (int i = 1; i <= 3; ++i)
            Write(c + std::to_string(i), "clip " + std::to_string(i) + "\r\n");
        Write(c + "Numb", "1\r\n2\r\n3\r\n");
        Write(c + "Data", "1) clip 1\r\n2) clip 2\r\n3) clip 3\r\n");
        Write(c + "Pix/Settings.ini", "[Pix]\r\nPicNum=2\r\n");
        Write(c + "Pix/1.jpg", std::string("BM\0\x01\x02", 5));
        Write(c + "Pix/2.jpg", std::string(70000, '\xff'));
    }
};

bool UserAttributesWork(const std::string& file) {
    return ::setxattr(file.c_str(), "user.quorrel-probe", "1", 1, 0) == 0;
}

} // namespace

TEST(CollectorName, RefusesWhatCannotBeAFolderOrASettingsValue) {
    for (const std::string& bad :
         std::vector<std::string>{"", ".", "..", "../..", "a/b", "/", "a\\b", "[x", "x[", "a\tb",
                                  "line\r\nbreak", std::string("nul\0x", 5), "del\x7f"})
        EXPECT_FALSE(CollectorNameProblem(bad).empty()) << "accepted '" << bad << "'";
    for (const std::string& good :
         std::vector<std::string>{"Work", " ", "  padded  ", "...", ".hidden", "a.b", "x]",
                                  "caf\xc3\xa9", "semi;colon=equals"})
        EXPECT_EQ(CollectorNameProblem(good), "") << "refused '" << good << "'";
}

TEST_F(Store, CreateWritesTheSettingsInOrderAndAHiddenCollectorSettingsFile) {
    CreateCollector(state, " Work ");
    const std::string folder = docs + "/Clips/Data/ Work /";
    EXPECT_EQ(state.CollectorPath, folder);
    EXPECT_EQ(state.NewCollectorName, " Work ");
    EXPECT_EQ(Read("Clips/Data/Settings.ini"),
              "[Collector]\r\nLabel= Work \r\nOpen=" + folder + "\r\nSkip= Work \r\n");
    EXPECT_EQ(Tree(folder), (std::map<std::string, std::string>{
                                {"Settings.ini", "[Collector]\r\nClipNumber=0\r\n"}}));
    if (UserAttributesWork(At("Clips/Data/Settings.ini"))) {
        EXPECT_TRUE(IsHidden(folder + "Settings.ini"));
    }
}

TEST_F(Store, ATakenNameFailsBeforeAnySettingIsWritten) {
    fs::create_directory(At("Clips/Data/Work"));
    Write("Clips/Data/File", "not a folder");
    for (const std::string& name : std::vector<std::string>{"Work", "File"}) {
        EXPECT_TRUE(CollectorExists(docs, name));
        EXPECT_THROW(CreateCollector(state, name), RuntimeError);
    }
    EXPECT_FALSE(CollectorExists(docs, "work2"));
    EXPECT_FALSE(fs::exists(At("Clips/Data/Settings.ini")));
}

TEST_F(Store, OpenRewritesSkipLabelAndOpenInPlace) {
    fs::create_directories(At("Clips/Data/Home"));
    Write("Clips/Data/Settings.ini",
          "[Collector]\r\nLabel=Work\r\nOpen=/old/Work\r\nSkip=Work\r\n");
    RecordOpenCollector(state, "Home");
    const std::string folder = docs + "/Clips/Data/Home/";
    EXPECT_EQ(state.CollectorPath, folder);
    EXPECT_EQ(Read("Clips/Data/Settings.ini"),
              "[Collector]\r\nLabel=Home\r\nOpen=" + folder + "\r\nSkip=Home\r\n");
}

TEST_F(Store, SaveAsCopiesEveryFileWithItsBytesWhateverFormTheSourcePathTakes) {
    MakeFull("Work");
    const auto original = Tree(At("Clips/Data/Work"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {At("Clips/Data/Work"), "Copy1"},
        {At("Clips/Data/Work/"), "Copy2"},
        {At("Clips/Data/Work//"), "Copy 3"}};
    for (const auto& [source, name] : cases) {
        CopyCollector(docs, source, name);
        EXPECT_EQ(Tree(At("Clips/Data/" + name)), original) << source;
    }
    EXPECT_EQ(Tree(At("Clips/Data/Work")), original);
    EXPECT_TRUE(Leftovers().empty());
    std::vector<std::string> names = ListCollectors(docs);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Copy 3", "Copy1", "Copy2", "Work"}));
}

TEST_F(Store, SaveAsKeepsTheHiddenAttribute) {
    MakeFull("Work");
    if (!UserAttributesWork(At("Clips/Data/Work/Data")))
        GTEST_SKIP() << "the temporary file system takes no user attributes";
    for (const char* f : {"Settings.ini", "Data", "Numb"})
        SetHidden(At("Clips/Data/Work/") + f);
    CopyCollector(docs, At("Clips/Data/Work/"), "Copy");
    for (const char* f : {"Settings.ini", "Data", "Numb"})
        EXPECT_TRUE(IsHidden(At("Clips/Data/Copy/") + f)) << f;
    EXPECT_FALSE(IsHidden(At("Clips/Data/Copy/1")));
}

TEST_F(Store, SaveAsCopiesLinksAsLinksAndLeavesTheirTargetsOut) {
    MakeFull("Work");
    Write("outside/secret", "not part of any collector");
    fs::create_directory_symlink(At("outside"), At("Clips/Data/Work/folderlink"));
    fs::create_symlink(At("outside/secret"), At("Clips/Data/Work/filelink"));
    fs::create_symlink("nowhere", At("Clips/Data/Work/dangling"));
    CopyCollector(docs, At("Clips/Data/Work"), "Copy");
    const auto copy = Tree(At("Clips/Data/Copy"));
    EXPECT_EQ(copy.at("folderlink"), "link:" + At("outside"));
    EXPECT_EQ(copy.at("filelink"), "link:" + At("outside/secret"));
    EXPECT_EQ(copy.at("dangling"), "link:nowhere");
    EXPECT_EQ(copy.count("folderlink/secret"), 0u);
    EXPECT_EQ(copy, Tree(At("Clips/Data/Work")));
}

TEST_F(Store, AFailedCopyLeavesNothingBehind) {
    struct Case {
        const char* what;
        std::function<void()> prepare;
        std::function<void(const std::string&)> onEach;
    };
    const std::vector<Case> cases = {
        {"a pipe in the source",
         [&] { ASSERT_EQ(::mkfifo(At("Clips/Data/Work/pipe").c_str(), 0600), 0); },
         {}},
        {"a file removed while copying", [] {},
         [](const std::string& p) {
             if (fs::path(p).filename() == "1.jpg") fs::remove(p);
         }},
        {"the name taken while copying", [] {},
         [&](const std::string&) { fs::create_directories(At("Clips/Data/Copy/theirs")); }},
        // An empty folder would be replaced by the copy without a word from rename itself.
        {"the name taken by an empty folder while copying", [] {},
         [&](const std::string&) { fs::create_directories(At("Clips/Data/Copy")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(At("Clips/Data"));
        MakeFull("Work");
        c.prepare();
        try {
            CopyCollector(docs, At("Clips/Data/Work/"), "Copy", c.onEach);
            ADD_FAILURE() << "the copy reported success";
        } catch (const RuntimeError& e) {
            EXPECT_FALSE(e.description.empty());
        }
        EXPECT_TRUE(Leftovers().empty());
        if (std::string(c.what) == "the name taken while copying")
            EXPECT_TRUE(fs::exists(At("Clips/Data/Copy/theirs"))); // the other one's folder stays
        else if (std::string(c.what).find("empty") != std::string::npos)
            EXPECT_TRUE(fs::is_empty(At("Clips/Data/Copy"))); // and keeps nothing of the copy
        else
            EXPECT_FALSE(fs::exists(At("Clips/Data/Copy")));
    }
}

// A collector the user may only read (a read-only folder, as a copy from a CD or another
// user's keeps it) is saved as a copy the user may write; a copy that fails after a read-only
// folder was copied leaves nothing behind.
TEST_F(Store, SaveAsOfAReadOnlyCollectorMakesAWritableCopyAndAFailureLeavesNothing) {
    Write("Clips/Data/Work/Settings.ini", "[Collector]\r\nClipNumber=1\r\n");
    Write("Clips/Data/Work/1", "one\r\n");
    Write("Clips/Data/Work/Pix/1.jpg", "BM");
    const auto source = Tree(At("Clips/Data/Work"));
    if (::geteuid() == 0) {
        for (const auto& e : fs::recursive_directory_iterator(docs)) {
            ASSERT_EQ(::lchown(e.path().c_str(), 65534, 65534), 0);
        }
        ASSERT_EQ(::chown(docs.c_str(), 65534, 65534), 0);
    }
    quorrel::test::SetModes(At("Clips/Data/Work"), 0555, 0444);
    quorrel::test::AsNobody nobody;
    SKIP_UNLESS_USABLE(nobody);

    CopyCollector(docs, At("Clips/Data/Work"), "Copy");
    EXPECT_EQ(Tree(At("Clips/Data/Copy")), source);
    for (const char* folder : {"Clips/Data/Copy", "Clips/Data/Copy/Pix"})
        EXPECT_EQ(::access(At(folder).c_str(), W_OK), 0) << folder;
    EXPECT_TRUE(Leftovers().empty());

    // The name is taken while the copy is made: it fails at the end, with everything copied.
    auto takeName = [&](const std::string& entry) {
        if (fs::path(entry).filename() == "1.jpg") fs::create_directory(At("Clips/Data/Again"));
    };
    EXPECT_EQ(ERR_OF(CopyCollector(docs, At("Clips/Data/Work"), "Again", takeName)), ErrFileExists);
    EXPECT_TRUE(Leftovers().empty());
    EXPECT_TRUE(fs::is_empty(At("Clips/Data/Again")));
}

// A collector holding a folder of another user (a sudo start made it) cannot be emptied: the
// deletion is refused before anything is removed, and never reported as done.
TEST_F(Store, DeleteRefusesACollectorItCannotEmptyAndRemovesNothing) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
    Write("Clips/Data/Old/1", "kept\r\n");
    Write("Clips/Data/Old/Pix/1.jpg", "BM");
    for (const auto& e : fs::recursive_directory_iterator(docs)) {
        if (e.path().filename() != "Pix" && e.path().parent_path().filename() != "Pix") {
            ASSERT_EQ(::lchown(e.path().c_str(), 65534, 65534), 0);
        }
    }
    ASSERT_EQ(::chown(docs.c_str(), 65534, 65534), 0);
    const auto before = Tree(At("Clips"));
    quorrel::test::AsNobody nobody;
    SKIP_UNLESS_USABLE(nobody);
    try {
        DeleteCollector(docs, "Old");
        ADD_FAILURE() << "reported as deleted";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Message(), "70 Permission denied: 'Pix' belongs to another user");
    }
    EXPECT_EQ(Tree(At("Clips")), before);
}

TEST_F(Store, SaveAsRefusesToCopyAFolderThatHoldsTheCollectorsFolder) {
    MakeFull("Work");
    const auto before = Tree(At("Clips"));
    // An empty Label at start-up leaves the collectors folder itself as the open folder.
    for (const std::string& source :
         std::vector<std::string>{At("Clips/Data/"), At("Clips"), docs}) {
        SCOPED_TRACE(source);
        try {
            CopyCollector(docs, source, "Copy");
            ADD_FAILURE() << "copied a folder into itself";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, ErrPathFileAccess);
        }
        EXPECT_EQ(Tree(At("Clips")), before);
    }
}

TEST_F(Store, DeleteListsAllButTheOpenOneComparingExactly) {
    for (const char* n : {"Home", "Work", "work", "Misc", ".[temp]"})
        fs::create_directory(At("Clips/Data/") + n);
    Write("Clips/Data/Settings.ini", "[Collector]\r\nSkip=Work\r\n");
    fs::create_directory_symlink(At("Clips/Data/Home"), At("Clips/Data/HomeLink"));
    auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(sorted(DeletableCollectors(docs, "Work")),
              (std::vector<std::string>{"Home", "Misc", "work"}));
    EXPECT_EQ(sorted(DeletableCollectors(docs, "")),
              (std::vector<std::string>{"Home", "Misc", "Work", "work"}));
    // The dialog keeps the file system's order.
    std::vector<std::string> all = ListCollectors(docs);
    all.erase(std::remove(all.begin(), all.end(), "Work"), all.end());
    EXPECT_EQ(DeletableCollectors(docs, "Work"), all);
}

TEST_F(Store, TheOpenCollectorIsKnownBySkipOrByItsPath) {
    fs::create_directories(At("Clips/Data/Work"));
    fs::create_directories(At("Clips/Data/Home"));
    state.CollectorPath = At("Clips/Data/Work"); // as start-up leaves it, no trailing separator
    EXPECT_TRUE(IsOpenCollector(state, "", "Work"));
    EXPECT_TRUE(IsOpenCollector(state, "Home", "Home"));
    EXPECT_FALSE(IsOpenCollector(state, "Work", "Home"));
    EXPECT_FALSE(IsOpenCollector(state, "Work", "work"));
}

TEST_F(Store, DeleteRemovesTheFolderButNothingALinkPointsAt) {
    MakeFull("Old");
    Write("outside/keep", "kept");
    fs::create_directory_symlink(At("outside"), At("Clips/Data/Old/link"));
    fs::create_directory_symlink(At("outside"), At("Clips/Data/Linked"));
    DeleteCollector(docs, "Old");
    DeleteCollector(docs, "Linked");
    EXPECT_FALSE(fs::exists(fs::symlink_status(At("Clips/Data/Old"))));
    EXPECT_FALSE(fs::exists(fs::symlink_status(At("Clips/Data/Linked"))));
    EXPECT_EQ(Read("outside/keep"), "kept");
}

namespace {

using quorrel::test::FileSizeLimit;

// Blank lines that make a settings file larger than the rewrite takes.
std::string BlankLines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "\r\n";
    return s;
}

} // namespace

TEST(CollectorName, RefusesC1ControlsAndNamesTooLongForAFolder) {
    EXPECT_FALSE(CollectorNameProblem("next\xc2\x85line").empty()); // U+0085
    EXPECT_FALSE(CollectorNameProblem("csi\xc2\x9b").empty());      // U+009B
    EXPECT_EQ(CollectorNameProblem("\xc2\xa0nbsp \xc3\x85"), "");   // U+00A0, U+00C5 are text
    EXPECT_EQ(CollectorNameProblem(std::string(255, 'n')), "");
    EXPECT_EQ(CollectorNameProblem(std::string(256, 'n')),
              "The name is too long: a collector name may have at most 255 bytes, this one has "
              "256.");
    EXPECT_EQ(CollectorNameProblem("/home/u", "Work"), "");
    EXPECT_EQ(CollectorNameProblem("/" + std::string(4000, 'd'), std::string(100, 'n'))
                  .rfind("The name is too long", 0),
              0u);
    // Collectors made before keep working in Open and Delete.
    EXPECT_EQ(ExistingNameProblem("next\xc2\x85line"), "");
    EXPECT_EQ(ExistingNameProblem(std::string(300, 'n')), "");
    EXPECT_FALSE(ExistingNameProblem("../x").empty());
}

TEST_F(Store, AFailedCreateLeavesNoFolderAndEverySettingAsItWas) {
    Write("Clips/Data/Settings.ini", "[Collector]\r\nLabel=Old\r\nOpen=/o/\r\nSkip=Old\r\n");
    state.CollectorPath = "/o/";
    const auto before = Tree(At("Clips"));
    {
        FileSizeLimit limit(10); // no room for the new Settings.ini
        EXPECT_EQ(ERR_OF(CreateCollector(state, "New")), ErrDiskFull);
    }
    EXPECT_EQ(Tree(At("Clips")), before);
    // The application settings cannot take the keys (larger than WriteINI takes).
    Write("Clips/Data/Settings.ini", BlankLines(600000) + "[Collector]\r\nLabel=Old\r\n");
    const auto big = Tree(At("Clips"));
    EXPECT_EQ(ERR_OF(CreateCollector(state, "New")), ErrOverflow);
    EXPECT_TRUE(Tree(At("Clips")) == big);
    EXPECT_EQ(state.CollectorPath, "/o/");
    EXPECT_EQ(state.NewCollectorName, "");
    // With room again the same name works.
    Write("Clips/Data/Settings.ini", "[Collector]\r\nLabel=Old\r\n");
    CreateCollector(state, "New");
    EXPECT_EQ(Read("Clips/Data/New/Settings.ini"), "[Collector]\r\nClipNumber=0\r\n");
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(Store, AFailedOpenLeavesTheSettingsAndTheOpenCollector) {
    fs::create_directories(At("Clips/Data/Home"));
    const std::string settings = BlankLines(600000) + "[Collector]\r\nLabel=Work\r\n";
    Write("Clips/Data/Settings.ini", settings);
    state.CollectorPath = "/w/";
    EXPECT_EQ(ERR_OF(RecordOpenCollector(state, "Home")), ErrOverflow);
    EXPECT_TRUE(Read("Clips/Data/Settings.ini") == settings);
    EXPECT_EQ(state.CollectorPath, "/w/");
}

TEST_F(Store, SaveAsOnAFullDiskSaysDiskFullAndLeavesNothing) {
    MakeFull("Work");
    {
        FileSizeLimit limit(1000); // the 70,000-byte picture does not fit
        EXPECT_EQ(ERR_OF(CopyCollector(docs, At("Clips/Data/Work"), "Copy")), ErrDiskFull);
    }
    EXPECT_FALSE(fs::exists(At("Clips/Data/Copy")));
    EXPECT_TRUE(Leftovers().empty());
    // Unfinished work of the source is no part of the copy.
    Write("Clips/Data/Work/.[temp]/0123456789ab", "half a clip");
    const auto source = Tree(At("Clips/Data/Work"));
    CopyCollector(docs, At("Clips/Data/Work"), "Copy");
    auto copy = Tree(At("Clips/Data/Copy"));
    EXPECT_EQ(copy.count(".[temp]"), 0u);
    copy[".[temp]"] = "dir";
    copy[".[temp]/0123456789ab"] = "half a clip";
    EXPECT_EQ(copy, source);
}

TEST_F(Store, UserNamesNeverMeetTemporaryNames) {
    // Names the earlier versions kept to themselves are plain collectors now.
    for (const char* n : {".saving-x", ".Settings.ini.tmp-abc123"})
        CreateCollector(state, n);
    fs::create_directories(At("Clips/Data/.[temp]/0123456789ab"));
    auto names = ListCollectors(docs);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".Settings.ini.tmp-abc123", ".saving-x"}));
    EXPECT_FALSE(CollectorNameProblem(".[temp]").empty());
}
