// Faults while the store is written: a full disk (a file size limit, or a small tmpfs where the
// machine lets a test mount one), what a crash leaves behind, hand-edited and hostile files.
#include "CoreTestSupport.h"

#include "core/FileAttr.h"
#include "core/Ini.h"
#include "core/Paths.h"
#include "core/Store.h"
#include "core/TextFile.h"

#include <map>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorrel;
using quorrel::test::Get;
using quorrel::test::Put;
namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

// Every file below folder with its bytes; folders as "<dir>", links as "<link>".
Files Snapshot(const std::string& folder) {
    Files files;
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = it->path().lexically_relative(folder).string();
        if (it->is_symlink())
            files[rel] = "<link>";
        else if (it->is_directory())
            files[rel] = "<dir>";
        else
            files[rel] = Get(it->path().string());
    }
    return files;
}

class AllOrNothing : public quorrel::test::ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        MakeStoreRoot(root);
        collector = CollectorsFolder(root) + "Work";
        CreateFolder(collector);
    }
    std::string In(const std::string& name) const { return collector + "/" + name; }
    // A collector with clips 1..n as Add leaves it.
    void Clips(int n) {
        std::string numb, data;
        for (int i = 1; i <= n; ++i) {
            const std::string number = std::to_string(i);
            Put(In(number), "clip " + number + "\r\n");
            numb += number + "\r\n";
            data += number + ") clip " + number + "\r\n";
        }
        Put(In("Numb"), numb);
        Put(In("Data"), data);
        Put(In("Settings.ini"), "[Collector]\r\nClipNumber=" + std::to_string(n) + "\r\n");
    }
    std::string collector;
};

TEST(ErrorNumbers, SystemErrorsMapOntoTheClassicNumbers) {
    const struct {
        int err, number;
    } cases[] = {
        {ENOSPC, ErrDiskFull},
        {EDQUOT, ErrDiskFull},
        {EFBIG, ErrDiskFull},
        {EACCES, 70},
        {EPERM, 70},
        {EROFS, 70},
        {ENOENT, 76},
        {EEXIST, ErrFileExists},
        {ENAMETOOLONG, ErrBadFileName},
        {EBUSY, 75},
        {ENOTEMPTY, 75},
        {EIO, ErrDeviceIO},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromErrno(c.err).number, c.number) << c.err;
    EXPECT_NE(FromErrno(ENAMETOOLONG).description.find("too long"), std::string::npos);
    EXPECT_EQ(FromErrno(ENOSPC).Message(), "61 Disk full");
}

TEST_F(AllOrNothing, AFailedAppendIsCutBackToTheOldLength) {
    const std::string numb = Path("Numb");
    Put(numb, "1\r\n2\r\n");
    {
        quorrel::test::FileSizeLimit limit(8); // room for part of the line only
        EXPECT_EQ(ERR_OF(AppendLine(numb, "12345")), ErrDiskFull);
    }
    EXPECT_EQ(Get(numb), "1\r\n2\r\n");
    EXPECT_EQ(AppendLine(numb, "3"), 6u);
    EXPECT_EQ(Get(numb), "1\r\n2\r\n3\r\n");
    // A file the failed append made is gone again; /dev/full reports a full disk.
    {
        quorrel::test::FileSizeLimit limit(0);
        EXPECT_EQ(ERR_OF(AppendLine(Path("Data"), "1) x")), ErrDiskFull);
    }
    EXPECT_FALSE(fs::exists(Path("Data")));
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(ERR_OF(AppendLine("/dev/full", "x")), ErrDiskFull);
    }
}

TEST_F(AllOrNothing, AnAppendAfterALastLineWithoutItsLineEndStartsALineOfItsOwn) {
    const std::string data = Path("Data");
    Put(data, "1) one\r\n2) edited by hand");
    AppendLine(data, "3) three");
    EXPECT_EQ(Get(data), "1) one\r\n2) edited by hand\r\n3) three\r\n");
    // A bare LF is no line end in the store; a one-byte file is no whole line either.
    const std::string numb = Path("Numb");
    Put(numb, "1\r\n2\n");
    AppendLine(numb, "3");
    EXPECT_EQ(Get(numb), "1\r\n2\n\r\n3\r\n");
    Put(numb, "1");
    AppendLine(numb, "2");
    EXPECT_EQ(Get(numb), "1\r\n2\r\n");
}

TEST_F(AllOrNothing, AFailedAddLeavesEveryFileAsItWas) {
    // The limit lets the clip and the settings through and stops the append to the index that
    // is already beyond it: first Numb, then Data.
    for (const char* full : {"Numb", "Data"}) {
        SCOPED_TRACE(full);
        Clips(2);
        Put(In(full), Get(In(full)) + std::string(200 - Get(In(full)).size(), '\n'));
        const Files before = Snapshot(collector);
        {
            quorrel::test::FileSizeLimit limit(100);
            EXPECT_EQ(ERR_OF(AddClip(collector, "third")), ErrDiskFull);
        }
        EXPECT_EQ(Snapshot(collector), before);
    }
    // A failed clip file write, then the same add once there is room.
    Clips(2);
    const Files before = Snapshot(collector);
    {
        quorrel::test::FileSizeLimit limit(4);
        EXPECT_EQ(ERR_OF(AddClip(collector, "a longer third clip")), ErrDiskFull);
    }
    EXPECT_EQ(Snapshot(collector), before);
    EXPECT_EQ(AddClip(collector, "a longer third clip"), "3");
    EXPECT_EQ(Get(In("Data")), "1) clip 1\r\n2) clip 2\r\n3) a longer third clip\r\n");
}

TEST_F(AllOrNothing, AddNeverOverwritesAStoredClip) {
    Clips(3);
    const struct {
        const char* what;
        std::string settings;
        int error;
    } cases[] = {
        {"ClipNumber lowered by hand", "[Collector]\r\nClipNumber=1\r\n", ErrFileExists},
        {"ClipNumber lowered, clip files gone but still listed", "[Collector]\r\nClipNumber=0\r\n",
         ErrFileExists},
        // A lone CR before the section: the rewrite would add a second section never read.
        {"ClipNumber that cannot be raised", "\r[Collector]\r\nClipNumber=3\r\n",
         ErrPathFileAccess},
        // Clip -803 would be stored where no list entry reaches it.
        {"ClipNumber below zero", "[Collector]\r\nClipNumber=-804\r\n", ErrBadFileName},
        {"ClipNumber just below zero", "[Collector]\r\nClipNumber=-1\r\n", ErrBadFileName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Put(In("Settings.ini"), c.settings);
        if (std::string(c.what).find("gone") != std::string::npos) fs::remove(In("1"));
        const Files before = Snapshot(collector);
        try {
            AddClip(collector, "new text");
            ADD_FAILURE() << "added";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, c.error);
            EXPECT_NE(e.description.find("Nothing was added"), std::string::npos) << e.description;
        }
        EXPECT_EQ(Snapshot(collector), before);
    }
    Put(In("Settings.ini"), "[Collector]\r\nClipNumber=1\r\n");
    try {
        AddClip(collector, "x");
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Message(), "58 File already exists: clip 2 is stored already; the "
                               "collector's ClipNumber (1) is lower than its clips. Nothing was "
                               "added.");
    }
}

TEST_F(AllOrNothing, RecoveryFinishesWhatAnInterruptedAddLeft) {
    const struct {
        const char* what;
        std::string clipNumber, numb, data;
        std::string numbAfter, dataAfter;
    } cases[] = {
        {"nothing amiss", "2", "1\r\n2\r\n", "1) clip 1\r\n2) clip 2\r\n", "1\r\n2\r\n",
         "1) clip 1\r\n2) clip 2\r\n"},
        {"cut during both appends", "2", "1\r\n2", "1) clip 1\r\n2) cl", "1\r\n2\r\n",
         "1) clip 1\r\n2) clip 2\r\n"},
        {"ClipNumber written, no index line", "2", "1\r\n", "1) clip 1\r\n", "1\r\n2\r\n",
         "1) clip 1\r\n2) clip 2\r\n"},
        {"Numb written, Data not", "2", "1\r\n2\r\n", "1) clip 1\r\n", "1\r\n2\r\n",
         "1) clip 1\r\n2) clip 2\r\n"},
        {"first clip, no index files yet", "1", "", "", "1\r\n", "1) clip 1\r\n"},
        {"line end cut after its CR", "2", "1\r\n2\r", "1) clip 1\r\n2) clip 2\r", "1\r\n2\r\n",
         "1) clip 1\r\n2) clip 2\r\n"},
        {"a last line that is not what Add writes is kept", "2", "1\r\n", "1) clip 1\r\n2) a\n",
         "1\r\n2\r\n", "1) clip 1\r\n2) a\n"},
        // Not left by an add: lowered by hand, or lines missing further back; not guessed at.
        {"ClipNumber lowered by hand", "1", "1\r\n2\r\n", "1) clip 1\r\n2) clip 2\r\n",
         "1\r\n2\r\n", "1) clip 1\r\n2) clip 2\r\n"},
        {"index lines missing further back", "2", "", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(collector);
        CreateFolder(collector);
        Clips(2);
        fs::remove(In("2"));
        if (c.clipNumber == "2") Put(In("2"), "clip 2\r\nsecond line\r\n");
        Put(In("Settings.ini"), "[Collector]\r\nClipNumber=" + c.clipNumber + "\r\n");
        c.numb.empty() ? (void)fs::remove(In("Numb")) : Put(In("Numb"), c.numb);
        c.data.empty() ? (void)fs::remove(In("Data")) : Put(In("Data"), c.data);
        RecoverCollector(collector);
        EXPECT_EQ(fs::exists(In("Numb")) ? Get(In("Numb")) : "", c.numbAfter);
        EXPECT_EQ(fs::exists(In("Data")) ? Get(In("Data")) : "", c.dataAfter);
    }
    // A clip file left before ClipNumber was raised is no stored clip: the next add replaces it.
    Clips(1);
    Put(In("2"), "half");
    RecoverCollector(collector);
    EXPECT_EQ(Get(In("Numb")), "1\r\n");
    EXPECT_EQ(AddClip(collector, "two"), "2");
    EXPECT_EQ(Get(In("2")), "two\r\n");
}

TEST_F(AllOrNothing, RecoveryRemovesTemporaryFilesAndMendsAnEmptyPictureSettingsFile) {
    Clips(1);
    for (const std::string& folder : {collector, collector + "/Pix", CollectorsFolder(root)}) {
        fs::create_directories(folder + "/.[temp]/0123456789ab");
        Put(folder + "/.[temp]/0123456789ab/Settings.ini", "[Collector]\r\nClipNumber=0\r\n");
        Put(folder + "/.[temp]/fedcba987654", "half a clip");
    }
    Put(In("Pix/Settings.ini"), ""); // the first picture cut short by a full disk
    Put(In("Pix/1.jpg"), "BM");
    Put(In("Pix/2.jpg"), "BM");
    RecoverCollectorsFolder(root);
    RecoverCollector(collector);
    EXPECT_EQ(Snapshot(collector), (Files{{"1", "clip 1\r\n"},
                                          {"Data", "1) clip 1\r\n"},
                                          {"Numb", "1\r\n"},
                                          {"Pix", "<dir>"},
                                          {"Pix/1.jpg", "BM"},
                                          {"Pix/2.jpg", "BM"},
                                          {"Pix/Settings.ini", "[Collector]\r\nPicNum=2\r\n"},
                                          {"Settings.ini", "[Collector]\r\nClipNumber=1\r\n"}}));
    EXPECT_FALSE(fs::exists(CollectorsFolder(root) + ".[temp]"));
    // A collector folder that is gone is left alone.
    RecoverCollector(CollectorsFolder(root) + "Gone");
    EXPECT_FALSE(fs::exists(CollectorsFolder(root) + "Gone"));
}

// The repair removes only what an append of `expected` left; every other last line is kept.
TEST_F(AllOrNothing, TheEndsOfTheIndexFilesAreReadFromTheEnd) {
    const std::string file = Path("Data");
    const std::string longLine(10000, 'b'); // longer than one block read backwards
    const std::string mark = "\xEF\xBB\xBF";
    const struct {
        std::string bytes;
        std::optional<std::string> last;
        std::string expected, repaired;
    } cases[] = {
        {"", std::nullopt, "1", ""},
        {"1\r\n", "1", "2", "1\r\n"},
        {"1\r\n2\r\n", "2", "3", "1\r\n2\r\n"},
        {"1\r\n\r\n", "", "2", "1\r\n\r\n"},
        {"1\r\n2", "2", "22", "1\r\n"},         // an append cut short
        {"1\r\n22", "22", "22", "1\r\n22\r\n"}, // only its line end missing
        {"1\r\n22", "22", "3", "1\r\n22"},      // a hand-edited last line
        {"1\r\n22", "22", "", "1\r\n22"},       // nothing was being appended
        {"1\r\n2\r", "2", "3", "1\r\n2\r\n"},
        {"1\r2", "2", "3", "1\r2"},
        {"1\r2", "2", "23", "1\r\n"},
        {"no line end", "no line end", "2", "no line end"},
        {"1\n2\n3\n", "1\n2\n3\n", "4", "1\n2\n3\n"}, // LF line ends: one line, kept
        {"1\n2\n3", "1\n2\n3", "3", "1\n2\n3"},
        {mark + "1\r\n", "1", "2", mark + "1\r\n"},
        {mark + "1", "1", "12", mark},
        {"1\r\n" + longLine + "\r\n", longLine, "2", "1\r\n" + longLine + "\r\n"},
        {"1\r\n" + longLine, longLine, longLine + "b", "1\r\n"},
        {"1\r\n" + longLine, longLine, "2", "1\r\n" + longLine},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes.substr(0, 20) + " / " + c.expected));
        Put(file, c.bytes);
        EXPECT_EQ(LastLine(file), c.last);
        EXPECT_EQ(RepairLastLine(file, c.expected), c.bytes != c.repaired);
        EXPECT_EQ(Get(file), c.repaired);
    }
    fs::remove(file);
    EXPECT_EQ(LastLine(file), std::nullopt);
    EXPECT_FALSE(RepairLastLine(file, "1"));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(AllOrNothing, StoreFilesAreNeverFollowedThroughALink) {
    Clips(1);
    const std::string outside = Path("outside");
    Put(outside, "secret\r\n");
    for (const char* name : {"2", "Numb", "Data", "Settings.ini"}) {
        SCOPED_TRACE(name);
        for (const char* f : {"2", "Numb", "Data", "Settings.ini"})
            fs::remove(In(f));
        Clips(1);
        fs::remove(In(name));
        fs::create_symlink(outside, In(name));
        if (std::string(name) == "2") {
            Put(In("Settings.ini"), "[Collector]\r\nClipNumber=2\r\n");
            Put(In("Numb"), "1\r\n2\r\n");
            Put(In("Data"), "1) clip 1\r\n2) secret\r\n");
            try {
                ReadClipForClipboard(collector, "2");
                ADD_FAILURE() << "read through the link";
            } catch (const RuntimeError& e) {
                EXPECT_EQ(e.Message(), "75 Path/File access error: '2' is a symbolic link");
            }
            Put(In("Settings.ini"), "[Collector]\r\nClipNumber=1\r\n");
        }
        EXPECT_NE(ERR_OF(AddClip(collector, "new")), 0);
        ERR_OF(RecoverCollector(collector));
        ERR_OF(ReadClipIndex(collector));
        EXPECT_EQ(Get(outside), "secret\r\n");
        EXPECT_TRUE(fs::is_symlink(In(name)));
    }
    EXPECT_EQ(ERR_OF(WriteFileAtomic(In("Settings.ini"), "x")), ErrPathFileAccess);
    EXPECT_EQ(ERR_OF(ReadINI(In("Settings.ini"), "Collector", "ClipNumber")), ErrPathFileAccess);
    EXPECT_EQ(Get(outside), "secret\r\n");
}

TEST_F(AllOrNothing, AHostileLabelOpensNoCollector) {
    const std::string settings = AppSettingsFile(root);
    fs::create_directories(Path("outside"));
    fs::create_directory_symlink(Path("outside"), CollectorsFolder(root) + "Linked");
    for (const char* label : {"../../outside", "..", "a/b", "a\\b", "Linked"}) {
        SCOPED_TRACE(label);
        Put(settings, std::string("[Collector]\r\nLabel=") + label + "\r\n");
        AppState state;
        state.DocumentsPath = root;
        const std::string problem = OpenCollectorAtStart(state);
        EXPECT_NE(problem.find(std::string("'") + label + "'"), std::string::npos) << problem;
        EXPECT_EQ(state.CollectorLabel, "");
        EXPECT_EQ(state.CollectorPath, CollectorsFolder(root));
    }
    EXPECT_TRUE(fs::is_empty(Path("outside")));
    for (const char* label : {"", "Work", "Not there yet", "..."})
        EXPECT_EQ(LabelProblem(root, label), "") << label;
}

TEST_F(AllOrNothing, DeleteRefusesAFolderHoldingAReadOnlyFileBeforeRemovingAnything) {
    const std::string victim = Path("victim");
    fs::create_directories(victim + "/Pix");
    Put(victim + "/1", "clip\r\n");
    Put(victim + "/Pix/1.jpg", "BM");
    const Files before = Snapshot(victim);
    ::chmod((victim + "/Pix/1.jpg").c_str(), 0444);
    try {
        DeleteFolder(victim);
        ADD_FAILURE() << "deleted";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Message(), "70 Permission denied: 'Pix/1.jpg' is read-only");
    }
    EXPECT_EQ(Snapshot(victim), before);
    ::chmod((victim + "/Pix/1.jpg").c_str(), 0644);
    if (quorrel::test::UserAttrsSupported(root)) {
        ASSERT_EQ(::setxattr((victim + "/1").c_str(), "user.DOSATTRIB", "0x21", 4, 0), 0);
        EXPECT_EQ(ERR_OF(DeleteFolder(victim)), ErrPermissionDenied);
        EXPECT_EQ(Snapshot(victim), before);
        SetArchiveOnly(victim + "/1");
    }
    DeleteFolder(victim);
    EXPECT_FALSE(fs::exists(victim));
}

TEST_F(AllOrNothing, AFailedCopyOrMoveLeavesNoTarget) {
    Put(Path("big"), std::string(5000, 'x'));
    {
        quorrel::test::FileSizeLimit limit(1000);
        EXPECT_EQ(ERR_OF(CopyFile(Path("big"), Path("copy"))), ErrDiskFull);
    }
    EXPECT_FALSE(fs::exists(Path("copy")));
    const std::string temp = MakeTempFolder(root);
    EXPECT_EQ(fs::path(temp).parent_path().filename(), ".[temp]");
    fs::create_directory(Path("taken")); // an empty folder would be replaced by a plain rename
    EXPECT_EQ(ERR_OF(MoveIntoPlace(temp, Path("taken"))), ErrFileExists);
    DropTemp(temp);
    EXPECT_FALSE(fs::exists(Path(".[temp]")));
}

// A real full disk: a small tmpfs in a mount namespace of a child process. Needs root (or a
// user namespace); skipped where the machine does not allow it.
TEST_F(AllOrNothing, OnAFullTmpfsAddFailsWholeAndWorksOnceThereIsRoom) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", root.c_str(), "tmpfs", 0, "size=64k") != 0)
            ::_exit(77);
        int failed = 0;
        auto check = [&failed](bool ok) { failed += ok ? 0 : 1; };
        try {
            MakeStoreRoot(root);
            CreateFolder(collector);
            Clips(2);
            Put(root + "/filler", std::string(1 << 20, 'f')); // the rest of the disk
            const Files before = Snapshot(collector);
            check(ERR_OF(AddClip(collector, std::string(8000, 'c'))) == ErrDiskFull);
            check(Snapshot(collector) == before);
            fs::remove(root + "/filler");
            check(AddClip(collector, "room again") == "3");
            check(Get(In("Data")) == "1) clip 1\r\n2) clip 2\r\n3) room again\r\n");
        } catch (...) {
            failed += 100;
        }
        ::umount(root.c_str());
        ::_exit(failed);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no tmpfs can be mounted here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
