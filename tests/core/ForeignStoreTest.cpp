// Stores the program did not leave as it writes them: index files with other line ends, a
// hand-edited last line, read-only files and disks, and stores copied from Windows.
#include "CoreTestSupport.h"

#include "core/AppState.h"
#include "core/Ini.h"
#include "core/Paths.h"
#include "core/Store.h"
#include "core/TextFile.h"

#include <functional>
#include <map>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

using namespace quorrel;
using quorrel::test::Get;
using quorrel::test::Put;
namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>;

Files Snapshot(const std::string& folder) {
    Files files;
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it)
        files[it->path().lexically_relative(folder).string()] =
            it->is_directory() ? "<dir>" : Get(it->path().string());
    return files;
}

class ForeignStore : public quorrel::test::ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        state.DocumentsPath = root;
    }
    // Clips/Data/<collector> with the files given (name -> bytes), Label naming it.
    std::string Collector(const Files& files, const std::string& name = "Work") {
        const std::string folder = root + "/Clips/Data/" + name;
        fs::create_directories(folder);
        for (const auto& [file, bytes] : files) {
            fs::create_directories(fs::path(folder + "/" + file).parent_path());
            Put(folder + "/" + file, bytes);
        }
        Put(root + "/Clips/Data/Settings.ini", "[Collector]\r\nLabel=" + name + "\r\n");
        return folder;
    }
    AppState state;
};

TEST_F(ForeignStore, TheRepairRemovesOnlyWhatAnInterruptedAddLeft) {
    // Index files with LF line ends (an editor, git, a sync tool): read as one line each, kept.
    const Files lf = {{"1", "one\r\n"},
                      {"2", "two\r\n"},
                      {"Numb", "1\n2\n"},
                      {"Data", "1) one\n2) two\n"},
                      {"Settings.ini", "[Collector]\r\nClipNumber=2\r\n"}};
    std::string work = Collector(lf);
    EXPECT_EQ(OpenCollectorAtStart(state), "");
    EXPECT_EQ(Snapshot(work), lf);
    EXPECT_EQ(ReadClipIndex(work), std::vector<std::string>{"1) one\n2) two\n"});

    // A hand-edited last line without its line end stays as it is.
    fs::remove_all(work);
    const Files edited = {{"1", "one\r\n"},
                          {"Numb", "1\r\n"},
                          {"Data", "1) my own title"},
                          {"Settings.ini", "[Collector]\r\nClipNumber=1\r\n"}};
    work = Collector(edited);
    RecoverCollector(work);
    EXPECT_EQ(Snapshot(work), edited);

    // An Add killed halfway through its appends: the part line goes and the clip is indexed.
    Put(work + "/2", "two\r\nsecond line\r\n");
    Put(work + "/Settings.ini", "[Collector]\r\nClipNumber=2\r\n");
    Put(work + "/Numb", "1\r\n2");
    Put(work + "/Data", "1) my own title\r\n2) t");
    RecoverCollector(work);
    EXPECT_EQ(Get(work + "/Numb"), "1\r\n2\r\n");
    EXPECT_EQ(Get(work + "/Data"), "1) my own title\r\n2) two\r\n");
    EXPECT_EQ(AddClip(work, "three"), "3");
    EXPECT_EQ(Get(work + "/Data"), "1) my own title\r\n2) two\r\n3) three\r\n");
}

// A store this user may read but not write: on a read-only disk (a bind mount remounted
// read-only in a mount namespace of a child process) and as files of another user.
TEST_F(ForeignStore, AReadOnlyStoreOpensAndAWriteNamesTheFileAndChangesNothing) {
    const std::string work = Collector({{"1", "one\r\n"},
                                        {"Numb", "1\r\n"},
                                        {"Data", "1) one\r\n"},
                                        {"Settings.ini", "[Collector]\r\nClipNumber=1\r\n"},
                                        {"Pix/Settings.ini", "[Collector]\r\nPicNum=0\r\n"}});
    const Files before = Snapshot(root);
    // The checks, counted as failures for the child process.
    auto walk = [&]() -> int {
        int failed = 0;
        auto check = [&failed](bool ok) { failed += ok ? 0 : 1; };
        try {
            AppState s;
            s.DocumentsPath = root;
            check(OpenCollectorAtStart(s) == "");
            check(s.CollectorLabel == "Work");
            check(ReadClipIndex(s.CollectorPath) == std::vector<std::string>{"1) one"});
            check(ReadClipForClipboard(s.CollectorPath, "1") == "one");
            RecoverCollector(work);
            try {
                AddClip(work, "two");
                check(false);
            } catch (const RuntimeError& e) {
                check(e.number == ErrPermissionDenied);
                check(e.description.find("'" + work + "/Settings.ini' cannot be written") !=
                      std::string::npos);
            }
            check(ERR_OF(MakeStoreRoot(root + "/Clips/Data/Work")) == ErrPermissionDenied);
            check(Snapshot(root) == before);
        } catch (const RuntimeError& e) {
            std::fprintf(stderr, "%s\n", e.Message().c_str());
            failed += 100;
        }
        return failed;
    };

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(root.c_str(), root.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, root.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
            ::_exit(77);
        ::_exit(walk());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        std::printf("[ skipped  ] no read-only mount can be made here\n");
    else
        EXPECT_EQ(WEXITSTATUS(status), 0) << "on a read-only disk";

    quorrel::test::ReadOnlyTree readOnly(root);
    SKIP_UNLESS_USABLE(readOnly);
    EXPECT_EQ(walk(), 0) << "as files of another user";
    // A documents folder that cannot be written is named.
    try {
        MakeStoreRoot(root + "/Clips/Data");
        ADD_FAILURE() << "made a folder in a read-only one";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Message().rfind("70 Permission denied: the documents folder '" + root +
                                        "/Clips/Data' cannot be written",
                                    0),
                  0u)
            << e.Message();
    }
}

TEST_F(ForeignStore, AStoreCopiedFromWindowsOpensWhateverTheCaseOfItsNamesAndItsMarks) {
    const std::string mark = "\xEF\xBB\xBF";
    fs::create_directories(root + "/Clips/data/Work/PIX");
    const std::string work = root + "/Clips/data/Work";
    Put(root + "/Clips/data/settings.ini", mark + "[Collector]\r\nLabel=Work\r\n");
    // The collector's settings saved by a Windows editor as "Unicode" (UTF-16 with its mark).
    Put(work + "/SETTINGS.INI",
        std::string("\xFF\xFE[\0C\0o\0l\0l\0e\0c\0t\0o\0r\0]\0\r\0\n\0C\0l\0i\0p\0N\0u\0m\0b\0e\0r"
                    "\0=\0\x32\0\r\0\n\0",
                    56));
    fs::create_directories(root + "/Clips/data/New");
    Put(work + "/1", "one\r\n");
    Put(work + "/2", "two\r\n");
    Put(work + "/numb", "1\r\n2\r\n");
    Put(work + "/DATA", mark + "1) one\r\n2) two\r\n");
    Put(work + "/PIX/1.JPG", "BM");

    EXPECT_EQ(OpenCollectorAtStart(state), "");
    EXPECT_EQ(state.CollectorLabel, "Work");
    EXPECT_EQ(ReadClipIndex(state.CollectorPath), (std::vector<std::string>{"1) one", "2) two"}));
    EXPECT_EQ(InFolder(InFolder(work, "Pix"), "1.jpg"), work + "/PIX/1.JPG");
    EXPECT_EQ(AddClip(state.CollectorPath, "three"), "3");
    // Written into the files as they are named; no second file under the usual spelling.
    EXPECT_EQ(Get(work + "/numb"), "1\r\n2\r\n3\r\n");
    EXPECT_EQ(Get(work + "/DATA"), mark + "1) one\r\n2) two\r\n3) three\r\n");
    EXPECT_EQ(IniGet(Get(work + "/SETTINGS.INI"), "Collector", "ClipNumber"), "3");
    EXPECT_EQ(Entries(work), 7); // 1, 2, 3, numb, DATA, SETTINGS.INI, PIX
    EXPECT_EQ(Entries(root + "/Clips"), 1);
    // New files take the names as the program spells them.
    Put(root + "/Clips/data/New/Settings.ini", "[Collector]\r\nClipNumber=0\r\n");
    EXPECT_EQ(AddClip(CollectorsFolder(root) + "New", "x"), "1");
    EXPECT_TRUE(fs::exists(root + "/Clips/data/New/Numb"));
    EXPECT_TRUE(fs::exists(root + "/Clips/data/New/Data"));
    // A UTF-16 index gets its new lines in UTF-16.
    Put(work + "/numb", std::string("\xFF\xFE\x31\0\r\0\n\0", 8));
    AppendLine(work + "/numb", "2");
    EXPECT_EQ(Get(work + "/numb"), std::string("\xFF\xFE\x31\0\r\0\n\0\x32\0\r\0\n\0", 14));
    EXPECT_EQ(LastLine(work + "/numb"), "2");
    // One cut off after half a unit has that unit completed, so the new line stays aligned.
    Put(work + "/numb", std::string("\xFE\xFF\0\x31\0", 5));
    AppendLine(work + "/numb", "2");
    EXPECT_EQ(ReadLines(work + "/numb"), (std::vector<std::string>{std::string("1\0", 2), "2"}));
}

} // namespace
