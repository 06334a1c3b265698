#include "CoreTestSupport.h"

#include "core/FileAttr.h"
#include "core/Ini.h"
#include "core/Paths.h"
#include "core/Store.h"
#include "core/TextFile.h"

using namespace quorrel;
using quorrel::test::Get;
using quorrel::test::Put;
namespace fs = std::filesystem;

namespace {

class StoreTest : public quorrel::test::ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        MakeStoreRoot(root);
        // A collector as the create dialog leaves it.
        collector = CollectorsFolder(root) + "Work";
        CreateFolder(collector);
        WriteINI(collector + "/Settings.ini", "Collector", "ClipNumber", "0");
    }
    std::string In(const std::string& name) const { return collector + "/" + name; }
    std::string Add(const std::string& text) { // Add to Collector's store steps
        return AddClip(collector, text);
    }
    std::string collector;
};

TEST_F(StoreTest, StoreRootIsMadeOnceInAnExistingFolder) {
    EXPECT_EQ(StoreRoot(root), root + "/Clips");
    EXPECT_TRUE(fs::is_directory(DataFolder(root)));
    EXPECT_EQ(ERR_OF(MakeStoreRoot(root + "/missing")), ErrPathNotFound);
    EXPECT_EQ(ERR_OF(MakeStoreRoot(root)), ErrFileExists);
}

TEST_F(StoreTest, FirstClipWritesClipNumbAndData) {
    EXPECT_EQ(Add("hello world"), "1");
    EXPECT_EQ(Get(In("1")), "hello world\r\n");
    EXPECT_EQ(Get(In("Numb")), "1\r\n");
    EXPECT_EQ(Get(In("Data")), "1) hello world\r\n");
    EXPECT_EQ(Get(In("Settings.ini")), "[Collector]\r\nClipNumber=1\r\n");
    EXPECT_EQ(ReadClipIndex(collector), std::vector<std::string>{"1) hello world"});
    if (quorrel::test::UserAttrsSupported(root)) {
        for (const char* name : {"Settings.ini", "Numb", "Data"})
            EXPECT_TRUE(IsHidden(In(name))) << name;
        EXPECT_FALSE(IsHidden(In("1")));
    }
}

TEST_F(StoreTest, EachClipIsIndexedByItsFirstLine) {
    const struct {
        std::string text, file, entry;
    } cases[] = {
        {"first\r\nsecond", "first\r\nsecond\r\n", "1) first"},
        {"first\r\nsecond", "first\r\nsecond\r\n", "2) first"},
        {"\r\nafter a line end", "\r\nafter a line end\r\n", "3) "},
        {"cr\ronly", "cr\ronly\r\n", "4) cr"},
        {"lf\nonly", "lf\nonly\r\n", "5) lf\nonly"}, // a lone LF ends no line
    };
    std::vector<std::string> entries;
    for (const auto& c : cases) {
        const std::string n = Add(c.text);
        EXPECT_EQ(Get(In(n)), c.file) << n;
        entries.push_back(c.entry);
    }
    EXPECT_EQ(ReadClipIndex(collector), entries);
    EXPECT_EQ(Get(In("Numb")), "1\r\n2\r\n3\r\n4\r\n5\r\n");
}

TEST_F(StoreTest, ChosenClipComesBackExactlyAsAdded) {
    const std::string added[] = {"one line", "two\r\nlines", "ends with a line end\r\n",
                                 "a lone\rCR\r", "\r\n"};
    for (const std::string& text : added) {
        const std::string n = Add(text);
        EXPECT_EQ(Get(In(n)), text + "\r\n"); // the store's files keep their line end
        EXPECT_EQ(ReadClipForClipboard(collector, n), text) << n;
    }
    // Text that starts with U+FEFF keeps it, in the list too.
    const std::string zwnbsp = "\xEF\xBB\xBF"
                               "after a zero-width no-break space";
    const std::string n = Add(zwnbsp);
    EXPECT_EQ(ReadClipForClipboard(collector, n), zwnbsp);
    EXPECT_EQ(ReadClipIndex(collector).back(), n + ") " + zwnbsp);
    Put(In("9"), "edited by hand, no line end");
    EXPECT_EQ(ReadClipForClipboard(collector, "9"), "edited by hand, no line end");
    EXPECT_EQ(ERR_OF(ReadClipForClipboard(collector, "7")), ErrFileNotFound);
    // Only a plain number names a clip file: an edited Data line reaches nothing else.
    Put(root + "/secret", "password\r\n");
    for (const char* n : {"", "Err2", "../../../secret", "1/../../../../secret", " 1"})
        EXPECT_EQ(ERR_OF(ReadClipForClipboard(collector, n)), ErrBadFileName) << n;
}

TEST_F(StoreTest, LeftoverClipFileIsReplacedNotAppended) {
    Put(In("1"), "from an interrupted add\r\n");
    Add("new");
    EXPECT_EQ(Get(In("1")), "new\r\n");
}

TEST_F(StoreTest, FailedAddWritesNoClip) {
    const struct {
        std::string settings;
        int error;
    } cases[] = {
        {"[Collector]\r\nClipNumber=32767\r\n", ErrOverflow},
        {"[Collector]\r\nClipNumber=abc\r\n", ErrTypeMismatch},
        {"[Collector]\r\n", ErrTypeMismatch},
    };
    for (const auto& c : cases) {
        Put(In("Settings.ini"), c.settings);
        EXPECT_EQ(ERR_OF(AddClip(collector, "text")), c.error) << c.settings;
        EXPECT_EQ(Get(In("Settings.ini")), c.settings);
        EXPECT_EQ(Entries(collector), 1);
    }
    const std::string gone = CollectorsFolder(root) + "Gone";
    EXPECT_EQ(ERR_OF(AddClip(gone, "text")), ErrPathNotFound);
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_TRUE(ReadClipIndex(gone).empty());
}

TEST_F(StoreTest, StartOpensLabelledCollectorAndRewritesOpen) {
    const std::string settings = AppSettingsFile(root);
    WriteINI(settings, "Collector", "Skip", "Work");
    WriteINI(settings, "Collector", "Open", collector + "/");
    WriteINI(settings, "Collector", "Label", "Work");
    EXPECT_TRUE(ReadClipIndex(collector).empty());
    Add("kept");

    AppState state;
    state.DocumentsPath = root;
    OpenCollectorAtStart(state);
    EXPECT_EQ(state.CollectorLabel, "Work");
    EXPECT_EQ(state.CollectorPath, collector);
    EXPECT_EQ(Get(settings),
              "[Collector]\r\nLabel=Work\r\nOpen=" + collector + "\r\nSkip=Work\r\n");
    EXPECT_EQ(ReadClipIndex(state.CollectorPath), std::vector<std::string>{"1) kept"});
}

// Without a Label the collector path is the data folder itself: adding then reads the
// application settings file, finds no ClipNumber and fails on the conversion; reading leaves
// the file as it was (never hidden).
TEST_F(StoreTest, StartWithoutLabelLeavesAddToFailOnConversion) {
    AppState state;
    state.DocumentsPath = root;
    OpenCollectorAtStart(state);
    EXPECT_EQ(state.CollectorPath, CollectorsFolder(root));
    EXPECT_EQ(Get(AppSettingsFile(root)), "[Collector]\r\nOpen=" + CollectorsFolder(root) + "\r\n");
    EXPECT_EQ(ERR_OF(AddClip(state.CollectorPath, "text")), ErrTypeMismatch);
    EXPECT_FALSE(fs::exists(DataFolder(root) + "/1"));
    if (quorrel::test::UserAttrsSupported(root)) {
        EXPECT_FALSE(IsHidden(AppSettingsFile(root)));
    }
}

} // namespace
