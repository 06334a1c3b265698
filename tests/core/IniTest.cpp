#include "CoreTestSupport.h"

#include "core/Ini.h"

#include <optional>

using namespace quorrel;
using quorrel::test::Get;
using quorrel::test::Put;

namespace {

class IniTest : public quorrel::test::ScratchTest {};

struct WriteCase {
    const char* name;
    std::optional<std::string> before; // nullopt: no file yet
    std::string section, key, value, after;
};
void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

const WriteCase kWriteCases[] = {
    {"NewFile", std::nullopt, "Collector", "ClipNumber", "0", "[Collector]\r\nClipNumber=0\r\n"},
    {"SecondKeyGoesOnTop", "[Collector]\r\nClipNumber=0\r\n", "Collector", "PicNum", "3",
     "[Collector]\r\nPicNum=3\r\nClipNumber=0\r\n"},
    {"ReplacedInPlaceInCallersCase", "[Collector]\r\nA=1\r\nclipNUMBER=0\r\nB=2\r\n", "collector",
     "ClipNumber", "7", "[Collector]\r\nA=1\r\nClipNumber=7\r\nB=2\r\n"},
    {"OtherSectionNotTouched", "[Other]\r\nKey=1\r\n", "Collector", "Key", "2",
     "[Other]\r\nKey=1\r\n\r\n[Collector]\r\nKey=2\r\n"},
    {"KeyOfLaterSectionNotTaken", "[Collector]\r\nA=1\r\n[Other]\r\nB=1\r\n", "Collector", "B", "2",
     "[Collector]\r\nB=2\r\nA=1\r\n[Other]\r\nB=1\r\n"},
    {"ReplaceInSecondSection", "[A]\r\nK=1\r\n\r\n[B]\r\nK=1\r\n", "b", "k", "2",
     "[A]\r\nK=1\r\n\r\n[B]\r\nk=2\r\n"},
    {"BlankLinesCollapsed", "\r\n\r\n\r\n[Collector]\r\n\r\n\r\n\r\nA=1\r\n\r\n\r\n", "Collector",
     "A", "2", "[Collector]\r\n\r\nA=2\r\n"},
    {"EmptyValue", "[Collector]\r\nLabel=x\r\n", "Collector", "Label", "",
     "[Collector]\r\nLabel=\r\n"},
    {"TrailingBlanksKept", std::nullopt, "Collector", "Label", "my clips  ",
     "[Collector]\r\nLabel=my clips  \r\n"},
    // Control characters at the very end go with the line ends; text bytes stay.
    {"TrailingTabAtEndDropped", std::nullopt, "Collector", "Label", "x\t",
     "[Collector]\r\nLabel=x\r\n"},
    {"HighBytesAtEndKept", std::nullopt, "C", "L", "caf\xC3\xA9", "[C]\r\nL=caf\xC3\xA9\r\n"},
    {"BlanksAroundEqualsNotAKey", "[Collector]\r\nA = 1\r\n", "Collector", "A", "2",
     "[Collector]\r\nA=2\r\nA = 1\r\n"},
    {"LastLineWithoutLineEnd", "[Collector]\r\nA=1\r\nB=old", "Collector", "B", "new",
     "[Collector]\r\nA=1\r\nB=new\r\n"},
    // A "[" in a value ends the section, so the key is added again at the top.
    {"BracketInValueEndsSection", "[Collector]\r\nOpen=a[b\r\nLabel=x\r\n", "Collector", "Label",
     "y", "[Collector]\r\nLabel=y\r\nOpen=a[b\r\nLabel=x\r\n"},
    {"HeaderWithoutLineEndNotFound", "[Collector]", "Collector", "A", "1",
     "[Collector]\r\n\r\n[Collector]\r\nA=1\r\n"},
};

class WriteIniCases : public IniTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteIniCases, FileBytes) {
    const WriteCase& c = GetParam();
    if (c.before) Put(Path("s.ini"), *c.before);
    WriteINI(Path("s.ini"), c.section, c.key, c.value);
    EXPECT_EQ(Get(Path("s.ini")), c.after);
}

INSTANTIATE_TEST_SUITE_P(Ini, WriteIniCases, ::testing::ValuesIn(kWriteCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniTest, FirstRunKeysThenStartReplacesOpenInPlace) {
    const std::string file = Path("Settings.ini");
    WriteINI(file, "Collector", "Skip", "Work");
    WriteINI(file, "Collector", "Open", "/d/Clips/Data/Work/");
    WriteINI(file, "Collector", "Label", "Work");
    EXPECT_EQ(Get(file), "[Collector]\r\nLabel=Work\r\nOpen=/d/Clips/Data/Work/\r\nSkip=Work\r\n");
    WriteINI(file, "Collector", "Open", "/d/Clips/Data/Work");
    EXPECT_EQ(Get(file), "[Collector]\r\nLabel=Work\r\nOpen=/d/Clips/Data/Work\r\nSkip=Work\r\n");
}

TEST_F(IniTest, ReadFindsKeyOnlyInsideItsSection) {
    const struct {
        std::string content, key, value;
    } cases[] = {
        {"[COLLECTOR]\r\nCLIPNUMBER=Ab \r\n", "clipnumber", "Ab "},
        {"[Other]\r\nKey=1\r\n", "Key", ""},
        {"[Collector]\r\n[Other]\r\nKey=1\r\n", "Key", ""},
        {"Key=1\r\n[Collector]\r\n", "Key", ""},
        {"[Collector]\r\nKey = 1\r\n", "Key", ""},
        {"[Collector]\r\nKeyX=1\r\nKey=2\r\nKey=3\r\n", "Key", "2"},
        {"[Collector]\r\nA=x[y\r\nKey=1\r\n", "Key", ""},
        {"[Collector]\r\nA=x[y\r\n", "A", ""},
        {"[Collector] \r\nKey=1\r\n", "Key", ""},
        {"[Collector]\nKey=1\r\n", "Key", ""},
        {"[Collector]\rKey=last", "Key", "last"},
        {"[Collector]\r\n[Other]\r\n[Collector]\r\nKey=3\r\n", "Key", "3"},
    };
    for (const auto& c : cases) {
        Put(Path("s.ini"), c.content);
        EXPECT_EQ(ReadINI(Path("s.ini"), "Collector", c.key), c.value) << c.content;
    }
    // Reading never writes: a missing file stays missing.
    EXPECT_EQ(ReadINI(Path("new.ini"), "Collector", "ClipNumber"), "");
    EXPECT_FALSE(std::filesystem::exists(Path("new.ini")));
}

TEST_F(IniTest, MissingFolderIsPathNotFound) {
    EXPECT_EQ(ERR_OF(ReadINI(Path("gone/s.ini"), "Collector", "ClipNumber")), ErrPathNotFound);
    EXPECT_EQ(ERR_OF(WriteINI(Path("gone/s.ini"), "Collector", "ClipNumber", "0")),
              ErrPathNotFound);
    EXPECT_FALSE(std::filesystem::exists(Path("gone")));
}

// Settings files beyond 32 KB are read and rewritten like any; one beyond 1 MB is not rewritten,
// and the refusal names it.
TEST_F(IniTest, LongSettingsFilesWorkAndOnlyOversizedOnesAreRefused) {
    const std::string pad = "Pad=" + std::string(33000, 'a') + "\r\n";
    const std::string content = "[Other]\r\n" + pad + "[Collector]\r\nA=1\r\n";
    Put(Path("s.ini"), content);
    WriteINI(Path("s.ini"), "Collector", "A", "2");
    EXPECT_EQ(Get(Path("s.ini")), "[Other]\r\n" + pad + "[Collector]\r\nA=2\r\n");
    EXPECT_EQ(ReadINI(Path("s.ini"), "Other", "Pad"), std::string(33000, 'a'));

    const std::string huge = "[Collector]\r\nA=1\r\n" + std::string(1 << 20, ';') + "\r\n";
    Put(Path("s.ini"), huge);
    EXPECT_EQ(ReadINI(Path("s.ini"), "Collector", "A"), "1");
    try {
        WriteINI(Path("s.ini"), "Collector", "A", "2");
        ADD_FAILURE() << "an oversized settings file was rewritten";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, ErrOverflow);
        EXPECT_NE(e.description.find(Path("s.ini")), std::string::npos) << e.description;
    }
    EXPECT_TRUE(Get(Path("s.ini")) == huge);
}

TEST_F(IniTest, FailedWriteKeepsTheOldFile) {
    const std::string old = "[Collector]\r\nClipNumber=1\r\n";
    Put(Path("s.ini"), old);
    {
        quorrel::test::FileSizeLimit limit(old.size() + 4);
        EXPECT_NE(ERR_OF(WriteINI(Path("s.ini"), "Collector", "Label", std::string(100, 'x'))), 0);
    }
    EXPECT_EQ(Get(Path("s.ini")), old);
    EXPECT_EQ(Entries(root), 1); // no temporary file left behind
}

TEST(SplitString, Codes) {
    const struct {
        std::string text, delimiter, part, result;
    } cases[] = {
        {"12) a) b", ") ", "F", "12"}, {"no delimiter", ") ", "F", "Err2"},
        {"12) x", "", "F", "Err2"},    {") first", ") ", "F", "Err3"},
        {"", ") ", "F", "Err5"},       {"", "", "Q", "Err5"},
        {"a=b", "=", "B", "b"},        {"a=", "=", "B", "Err4"},
        {"12) x", ") ", "B", " x"},    {"12) x", ") ", "f", "Err1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitString(c.text, c.delimiter, c.part), c.result) << c.text << "|" << c.part;
}

TEST(CInt, Conversions) {
    const struct {
        std::string text;
        int value; // the error number when `error`
        bool error = false;
    } cases[] = {
        {"  +7\t", 7},
        {"-12", -12},
        {"007", 7},
        {"32767", 32767},
        {"-32768", -32768},
        {"1.5", 2},
        {"2.5", 2},
        {"2.50001", 3},
        {"-2.5", -2},
        {".5", 0},
        {"5.", 5},
        {"-32768.5", -32768},
        {"32767.5", ErrOverflow, true},
        {"-32769", ErrOverflow, true},
        {"99999999999999999999999", ErrOverflow, true},
        {"", ErrTypeMismatch, true},
        {"  ", ErrTypeMismatch, true},
        {"12a", ErrTypeMismatch, true},
        {"1 2", ErrTypeMismatch, true},
        {"-", ErrTypeMismatch, true},
        {".", ErrTypeMismatch, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE('"' + c.text + '"');
        if (c.error) {
            EXPECT_EQ(ERR_OF(CInt(c.text)), c.value);
        } else {
            EXPECT_NO_THROW(EXPECT_EQ(CInt(c.text), c.value));
        }
    }
    EXPECT_EQ(RuntimeError(ErrTypeMismatch).Message(), "13 Type mismatch");
}

} // namespace
