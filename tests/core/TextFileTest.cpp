#include "CoreTestSupport.h"

#include "core/FileAttr.h"
#include "core/TextFile.h"

#include <algorithm>

#include <sys/stat.h>

using namespace quorrel;
using quorrel::test::Get;
using quorrel::test::Put;
namespace fs = std::filesystem;

namespace {

class TextFileTest : public quorrel::test::ScratchTest {};

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(SplitLines, CrEndsALineLoneLfDoesNot) {
    using Lines = std::vector<std::string>;
    const struct {
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\rb\r", {"a", "b"}},
        {"\r\n\r\n", {"", ""}},
        {"a\r\r\n", {"a", ""}},
        {"a\nb\r\n", {"a\nb"}},
        {"a\n\r", {"a\n"}},
        {"a\r\n\nb", {"a", "\nb"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLines(c.bytes), c.lines) << testing::PrintToString(c.bytes);
}

TEST_F(TextFileTest, ErrorsTellMissingFileFromMissingFolder) {
    Put(Path("plain"), "x");
    EXPECT_EQ(ERR_OF(ReadAll(Path("nothing"))), ErrFileNotFound);
    EXPECT_EQ(ERR_OF(ReadLines(Path("gone/file"))), ErrPathNotFound);
    EXPECT_EQ(ERR_OF(ReadFirstLine(Path("plain/file"))), ErrPathNotFound);
    EXPECT_EQ(ERR_OF(AppendLine(Path("gone/Numb"), "1")), ErrPathNotFound);
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(ERR_OF(AppendLine("/dev/full", "x")), ErrDiskFull);
    }
}

// The start of a file for finding a clip: a character cut at the end goes, so that the rest still
// reads as UTF-8; marks are read as such.
TEST_F(TextFileTest, ReadHeadCutsOnlyWholeCharacters) {
    Put(Path("utf8"), "ab\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    const struct {
        std::size_t max;
        std::string text;
    } cases[] = {{2, "ab"},
                 {3, "ab"},
                 {4, "ab\xC3\xA9"},
                 {6, "ab\xC3\xA9"},
                 {7, "ab\xC3\xA9\xE2\x82\xAC"},
                 {10, "ab\xC3\xA9\xE2\x82\xAC"},
                 {11, "ab\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
                 {64, "ab\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"}};
    for (const auto& c : cases)
        EXPECT_EQ(ReadHead(Path("utf8"), c.max), c.text) << c.max;
    Put(Path("marked"), "\xEF\xBB\xBFxy");
    EXPECT_EQ(ReadHead(Path("marked"), 4), "x");
    Put(Path("utf16"), std::string("\xFF\xFEh\0i\0", 6));
    EXPECT_EQ(ReadHead(Path("utf16"), 64), "hi");
    EXPECT_EQ(ERR_OF(ReadHead(Path("nothing"), 8)), ErrFileNotFound);
}

TEST_F(TextFileTest, WriteFileAtomicReplacesWholeKeepingPermissions) {
    const std::string file = Path("Settings.ini");
    Put(file, "old old old old\r\n");
    ::chmod(file.c_str(), 0640);
    WriteFileAtomic(file, "new\r\n");
    EXPECT_EQ(Get(file), "new\r\n");
    EXPECT_EQ(ModeOf(file), 0640u);
    EXPECT_EQ(Entries(root), 1);
}

TEST_F(TextFileTest, WriteFileAtomicFailureKeepsOldFileAndLeavesNoTemp) {
    const std::string file = Path("Settings.ini");
    Put(file, "old\r\n");
    {
        quorrel::test::FileSizeLimit limit(16);
        EXPECT_NE(ERR_OF(WriteFileAtomic(file, std::string(1000, 'n'))), 0);
    }
    EXPECT_EQ(Get(file), "old\r\n");
    EXPECT_EQ(Entries(root), 1);

    EXPECT_EQ(ERR_OF(WriteFileAtomic(Path("gone/Settings.ini"), "x")), ErrPathNotFound);
    fs::create_directory(Path("folder"));
    EXPECT_EQ(ERR_OF(WriteFileAtomic(Path("folder"), "x")), ErrPathFileAccess);
    EXPECT_TRUE(fs::is_directory(Path("folder")));
    EXPECT_EQ(Entries(root), 2);
}

TEST_F(TextFileTest, CreateFolderIsOwnerOnlyWhateverTheUmask) {
    const mode_t saved = ::umask(0);
    CreateFolder(Path("Clips"));
    ::umask(saved);
    EXPECT_EQ(ModeOf(Path("Clips")), 0700u);
    EXPECT_EQ(ERR_OF(CreateFolder(Path("Clips"))), ErrFileExists);
    EXPECT_EQ(ERR_OF(CreateFolder(Path("a/b"))), ErrPathNotFound);
}

TEST_F(TextFileTest, DeleteFolderRemovesLinksNotTheirTargets) {
    const std::string outside = Path("outside");
    fs::create_directories(outside + "/deep");
    Put(outside + "/keep", "k");
    Put(outside + "/deep/keep", "k");
    const std::string victim = Path("victim");
    fs::create_directories(victim + "/Pix");
    Put(victim + "/1", "clip\r\n");
    fs::create_directory_symlink(outside, victim + "/dirlink");
    fs::create_directory_symlink(outside + "/deep", victim + "/Pix/deeplink");
    fs::create_symlink(outside + "/keep", victim + "/filelink");
    fs::create_directory_symlink(outside, Path("link"));

    DeleteFolder(victim + "/");
    DeleteFolder(Path("link/")); // a trailing separator must not lead into the target
    EXPECT_FALSE(fs::exists(fs::symlink_status(victim)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(Path("link"))));
    EXPECT_EQ(Get(outside + "/keep"), "k");
    EXPECT_EQ(Get(outside + "/deep/keep"), "k");

    EXPECT_EQ(ERR_OF(DeleteFolder(Path("none"))), ErrPathNotFound);
    EXPECT_EQ(ERR_OF(DeleteFolder(outside + "/keep")), ErrPathNotFound);
    EXPECT_TRUE(fs::exists(outside + "/keep"));
}

TEST_F(TextFileTest, SubFoldersListsRealFoldersOnly) {
    fs::create_directory(Path("Work"));
    fs::create_directory(Path("Home Stuff"));
    Put(Path("Settings.ini"), "");
    fs::create_directory_symlink(Path("Work"), Path("link"));
    std::vector<std::string> names = SubFolders(root);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Home Stuff", "Work"}));
    EXPECT_EQ(ERR_OF(SubFolders(Path("none"))), ErrPathNotFound);
}

TEST_F(TextFileTest, HiddenIsKeptInSambasDosAttrib) {
    SKIP_WITHOUT_USER_ATTRS(root);
    const std::string file = Path("Data");
    Put(file, "");
    EXPECT_FALSE(IsHidden(file));
    SetHidden(file);
    EXPECT_TRUE(IsHidden(file));
    char text[8] = {};
    EXPECT_EQ(::getxattr(file.c_str(), "user.DOSATTRIB", text, sizeof text), 3);
    EXPECT_STREQ(text, "0x2");
    SetArchiveOnly(file);
    EXPECT_FALSE(IsHidden(file));
    EXPECT_EQ(ERR_OF(SetHidden(Path("none"))), ErrFileNotFound);
}

} // namespace
