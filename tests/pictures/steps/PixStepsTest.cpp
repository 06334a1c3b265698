// The picture store steps of Add To Collector on a scratch collector, without any window.
#include "pictures/PixSteps.h"
#include "core/Ini.h"
#include "core/RuntimeError.h"
#include "core/Store.h"

#include "../../core/CoreTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace quorrel;
namespace fs = std::filesystem;

namespace {

std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct PixSteps : ::testing::Test {
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "quorrel-pix-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        collector = root + "/Work";
        fs::create_directory(collector);
    }
    void TearDown() override { fs::remove_all(root); }

    std::string Pix(const std::string& name = "") const { return collector + "/Pix/" + name; }
    std::string PicNum() const { return Get(Pix("Settings.ini")); }
    void SetPicNum(const std::string& value) {
        fs::create_directories(Pix());
        Put(Pix("Settings.ini"), "[Collector]\r\nPicNum=" + value + "\r\n");
    }
    // The names in Pix, so that a test sees any left-over temporary file.
    std::vector<std::string> PixFiles() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Pix()))
            names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    int encoded = 0;
    PictureEncoder Bitmap(const std::string& bytes = "BMpicture") {
        return [this, bytes] {
            ++encoded;
            return bytes;
        };
    }
    static PictureEncoder NoPicture() {
        return []() -> std::string { throw RuntimeError(ErrInvalidProperty); };
    }

    std::string root, collector;
};

} // namespace

TEST_F(PixSteps, FirstPictureMakesPixWholeWithPicNumOne) {
    bool pixSeenWhileSaving = true;
    const auto r = AddPicture(collector, [&] {
        pixSeenWhileSaving = fs::exists(Pix());
        return std::string("BMfirst");
    });
    EXPECT_FALSE(r.full);
    EXPECT_EQ(r.number, "1");
    EXPECT_FALSE(pixSeenWhileSaving); // it appears only when complete
    EXPECT_EQ(Get(Pix("1.jpg")), "BMfirst");
    EXPECT_EQ(PicNum(), "[Collector]\r\nPicNum=1\r\n");
    EXPECT_EQ(PixFiles(), (std::vector<std::string>{"1.jpg", "Settings.ini"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(collector), {}), 1); // nothing but Pix
}

TEST_F(PixSteps, PicNumDecidesTheNextFileAndOnlyTheExactTextFifteenBlocks) {
    struct Case {
        const char* picNum;
        const char* file;  // written, or "" when nothing is
        const char* after; // PicNum afterwards
        int error;         // 0, or the run-time error raised
    };
    const Case cases[] = {
        {"0", "1.jpg", "1", 0},
        {"14", "15.jpg", "15", 0},
        {"15", "", "15", 0},        // full: nothing written, no error
        {"16", "17.jpg", "17", 0},  // never written by the program, but not blocked
        {" 15", "16.jpg", "16", 0}, // not the exact text
        {"abc", "", "abc", ErrTypeMismatch},
        {"", "", "", ErrTypeMismatch},
        {"32767", "", "32767", ErrOverflow},
        {"40000", "", "40000", ErrOverflow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("PicNum=") + c.picNum);
        fs::remove_all(Pix());
        SetPicNum(c.picNum);
        encoded = 0;
        try {
            const auto r = AddPicture(collector, Bitmap());
            EXPECT_EQ(c.error, 0);
            EXPECT_EQ(r.full, std::string(c.file).empty());
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, c.error);
        }
        EXPECT_EQ(ReadINI(Pix("Settings.ini"), "Collector", "PicNum"), c.after);
        std::vector<std::string> expected{"Settings.ini"};
        if (*c.file) expected.insert(expected.begin(), c.file);
        EXPECT_EQ(PixFiles(), expected);
        EXPECT_EQ(encoded, *c.file ? 1 : 0);
    }
}

TEST_F(PixSteps, SettingsFileWithoutTheKeyIsAConversionErrorAndWritesNothing) {
    fs::create_directories(Pix());
    EXPECT_THROW(
        {
            try {
                AddPicture(collector, Bitmap());
            } catch (const RuntimeError& e) {
                EXPECT_EQ(e.number, ErrTypeMismatch);
                throw;
            }
        },
        RuntimeError);
    EXPECT_TRUE(PixFiles().empty()); // reading never writes
    EXPECT_EQ(PicNum(), "");
}

// A crash between a picture's file and PicNum leaves a whole picture beyond PicNum: the start
// (and Open) finishes that Add; Add never writes over a picture that is there.
TEST_F(PixSteps, APictureBeyondPicNumIsFinishedByTheRecoveryAndNeverReplaced) {
    SetPicNum("1");
    Put(Pix("1.jpg"), "BMone");
    Put(Pix("2.jpg"), "BMtwo");
    RecoverCollector(collector);
    EXPECT_EQ(ReadINI(Pix("Settings.ini"), "Collector", "PicNum"), "2");
    EXPECT_EQ(AddPicture(collector, Bitmap("BMthree")).number, "3");
    EXPECT_EQ(Get(Pix("2.jpg")), "BMtwo");
    EXPECT_EQ(Get(Pix("3.jpg")), "BMthree");

    Put(Pix("4.jpg"), "BMmine"); // put there by hand
    try {
        AddPicture(collector, Bitmap("BMfour"));
        ADD_FAILURE() << "a picture was written over";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, ErrFileExists);
        EXPECT_NE(e.description.find(Pix("4.jpg")), std::string::npos) << e.description;
    }
    EXPECT_EQ(Get(Pix("4.jpg")), "BMmine");
    EXPECT_EQ(ReadINI(Pix("Settings.ini"), "Collector", "PicNum"), "3");
}

TEST_F(PixSteps, NoPictureLeavesNoPixAndNeverFillsTheCollector) {
    for (int i = 0; i < 20; ++i) {
        try {
            AddPicture(collector, NoPicture());
            ADD_FAILURE() << "an empty picture was stored";
        } catch (const RuntimeError& e) {
            ASSERT_EQ(e.number, ErrInvalidProperty);
        }
    }
    EXPECT_TRUE(fs::is_empty(collector)); // as if it had never been tried
    EXPECT_EQ(AddPicture(collector, Bitmap()).number, "1");
}

TEST_F(PixSteps, FailedPictureWriteKeepsPicNumAndLeavesNoFileBehind) {
    SetPicNum("1");
    fs::create_directory(Pix("2.jpg")); // the name is taken by something that cannot be replaced
    EXPECT_THROW(AddPicture(collector, Bitmap()), RuntimeError);
    EXPECT_EQ(ReadINI(Pix("Settings.ini"), "Collector", "PicNum"), "1");
    EXPECT_EQ(PixFiles(), (std::vector<std::string>{"2.jpg", "Settings.ini"}));
    EXPECT_TRUE(fs::is_directory(Pix("2.jpg")));
}

TEST_F(PixSteps, CollectorRemovedBehindTheProgramsBackIsPathNotFound) {
    fs::remove_all(collector);
    try {
        AddPicture(collector, Bitmap());
        ADD_FAILURE() << "stored into a missing collector";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, ErrPathNotFound);
    }
    EXPECT_FALSE(fs::exists(collector));
}

TEST_F(PixSteps, PathsAreAppendedUnchangedAlsoAfterATrailingSeparator) {
    EXPECT_EQ(PicturePath("/c/Work", 3), "/c/Work/Pix/3.jpg");
    EXPECT_EQ(PicturePath("/c/Work/", 15), "/c/Work//Pix/15.jpg");
    EXPECT_EQ(PixSettingsFile("/c/Work"), "/c/Work/Pix/Settings.ini");
    EXPECT_EQ(AddPicture(collector + "/", Bitmap()).number, "1");
    EXPECT_EQ(Get(Pix("1.jpg")), "BMpicture");
}

namespace {

using quorrel::test::FileSizeLimit;

} // namespace

TEST_F(PixSteps, AFirstPictureCutShortByAFullDiskLeavesTheCollectorAsItWas) {
    {
        FileSizeLimit limit(1000);
        EXPECT_EQ(ERR_OF(AddPicture(collector, Bitmap(std::string(5000, 'B')))), 61);
    }
    EXPECT_TRUE(fs::is_empty(collector));
    // Once there is room the first picture goes in as number 1.
    EXPECT_EQ(AddPicture(collector, Bitmap("BMroom")).number, "1");
    EXPECT_EQ(PicNum(), "[Collector]\r\nPicNum=1\r\n");
}

TEST_F(PixSteps, APicNumThatCannotBeRaisedTakesThePictureAway) {
    SetPicNum("1");
    Put(Pix("1.jpg"), "BMone");
    {
        // Room for the 2-byte picture, none for the rewritten settings file.
        FileSizeLimit limit(10);
        EXPECT_EQ(ERR_OF(AddPicture(collector, Bitmap("BM"))), 61);
    }
    EXPECT_EQ(PicNum(), "[Collector]\r\nPicNum=1\r\n");
    EXPECT_EQ(PixFiles(), (std::vector<std::string>{"1.jpg", "Settings.ini"}));
}

TEST_F(PixSteps, ALinkWherePixBelongsIsRefused) {
    const std::string outside = root + "/outside";
    fs::create_directory(outside);
    fs::create_directory_symlink(outside, collector + "/Pix");
    EXPECT_EQ(ERR_OF(AddPicture(collector, Bitmap())), ErrPathFileAccess);
    EXPECT_TRUE(fs::is_empty(outside));
    // A link where the next picture belongs is not written through either.
    fs::remove(collector + "/Pix");
    SetPicNum("0");
    Put(outside + "/secret", "kept");
    fs::create_symlink(outside + "/secret", Pix("1.jpg"));
    EXPECT_EQ(ERR_OF(AddPicture(collector, Bitmap())), ErrPathFileAccess);
    EXPECT_EQ(Get(outside + "/secret"), "kept");
    EXPECT_EQ(PicNum(), "[Collector]\r\nPicNum=0\r\n");
}
