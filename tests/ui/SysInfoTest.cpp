// Finding and starting the system information tool through the two registry values, and the
// About box's buttons.
#include "support/Fakes.h"

#include "core/RuntimeError.h"
#include "ui/Form.h"
#include "ui/SysInfo.h"
#include "ui/frmAbout.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

using namespace quorrel;
using namespace quorrel::test;

namespace {

const std::string kTool = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocation = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QStringList kUnavailable = {"System Information Is Unavailable At This Time"};

std::string Z(const std::string& s) {
    return s + std::string(1, '\0');
}

struct SysInfo : ::testing::Test {
    World w;
    void Set(const std::string& key, const std::string& value, unsigned long type,
             const std::string& data) {
        w.registry.keys[key][value] = {type, data};
    }
    bool Get(const std::string& key, const std::string& value, std::string& out) {
        return GetKeyValue(w.registry, Registry::HKEY_LOCAL_MACHINE, key, value, out);
    }
};

} // namespace

TEST_F(SysInfo, TextValuesLoseExactlyOneFinalZeroByte) {
    struct Case {
        std::string data, expected;
    } cases[] = {
        {Z("C:\\Tools\\msinfo32.exe"), "C:\\Tools\\msinfo32.exe"},
        {"C:\\Tools\\msinfo32.exe", "C:\\Tools\\msinfo32.exe"},
        {Z(Z("/usr/bin/tool")), Z("/usr/bin/tool")},
        {Z(""), ""},
        {std::string(1023, 'a') + '\0', std::string(1023, 'a')},
    };
    for (const Case& c : cases) {
        Set(kTool, "PATH", Registry::REG_SZ, c.data);
        std::string out = "before";
        EXPECT_TRUE(Get(kTool, "PATH", out));
        EXPECT_EQ(out, c.expected) << c.data.size();
    }
    EXPECT_EQ(w.registry.open, 0) << "every key closed again";
    for (unsigned long access : w.registry.accessAsked)
        EXPECT_EQ(access, 0x2003Fu);
}

TEST_F(SysInfo, MissingKeysAndValuesReadAsEmptyAndFalse) {
    std::string out = "before";
    EXPECT_FALSE(Get(kTool, "PATH", out));
    EXPECT_EQ(out, "");

    Set(kTool, "Other", Registry::REG_SZ, Z("x"));
    out = "before";
    EXPECT_FALSE(Get(kTool, "PATH", out));
    EXPECT_EQ(out, "");

    Set(kTool, "PATH", Registry::REG_SZ, std::string(1025, 'a'));
    out = "before";
    EXPECT_FALSE(Get(kTool, "PATH", out)) << "longer than the buffer";
    EXPECT_EQ(out, "");
    EXPECT_EQ(w.registry.open, 0);
}

TEST_F(SysInfo, OtherValueTypesSucceedWithoutAPath) {
    Set(kTool, "PATH", Registry::REG_DWORD, std::string("\x01\x02\x03\x04", 4));
    std::string out;
    EXPECT_TRUE(Get(kTool, "PATH", out));
    EXPECT_EQ(out, "&h04030201");

    Set(kTool, "PATH", Registry::REG_EXPAND_SZ, Z("%SystemRoot%\\msinfo32.exe"));
    out = "as passed";
    EXPECT_TRUE(Get(kTool, "PATH", out));
    EXPECT_EQ(out, "as passed");
    EXPECT_EQ(w.registry.open, 0);
}

TEST_F(SysInfo, AValueWithoutDataIsAnErrorAndTheKeyIsStillClosed) {
    Set(kTool, "PATH", Registry::REG_SZ, "");
    std::string out;
    try {
        Get(kTool, "PATH", out);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number, 5);
    }
    EXPECT_EQ(w.registry.open, 0);
}

TEST_F(SysInfo, StartSysInfoChoosesThePathOrSaysItCannot) {
    QTemporaryDir folder;
    const std::string withTool = folder.path().toStdString();
    std::ofstream(withTool + "/MSINFO32.EXE") << "x";
    QTemporaryDir empty;

    struct Case {
        const char* what;
        std::vector<std::pair<std::string, FakeRegistry::Value>> values; // key -> value
        bool canStart;
        std::vector<std::string> started;
        bool message;
    } cases[] = {
        {"nothing registered", {}, true, {}, true},
        {"first wins, unchecked",
         {{kTool, {Registry::REG_SZ, Z("/nowhere/msinfo32")}},
          {kLocation, {Registry::REG_SZ, Z(withTool)}}},
         true,
         {"/nowhere/msinfo32"},
         false},
        {"first fails to start",
         {{kTool, {Registry::REG_SZ, Z("/nowhere/msinfo32")}}},
         false,
         {"/nowhere/msinfo32"},
         true},
        {"second with the tool",
         {{kLocation, {Registry::REG_SZ, Z(withTool)}}},
         true,
         {withTool + "/MSINFO32.EXE"},
         false},
        {"second without the tool",
         {{kLocation, {Registry::REG_SZ, Z(empty.path().toStdString())}}},
         true,
         {},
         true},
        {"expandable text",
         {{kTool, {Registry::REG_EXPAND_SZ, Z("%WINDIR%\\x.exe")}}},
         true,
         {},
         true},
        {"no data at all", {{kTool, {Registry::REG_SZ, ""}}}, true, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w.registry.keys.clear();
        w.starter.started.clear();
        w.starter.canStart = c.canStart;
        w.messages.shown.clear();
        for (const auto& [key, v] : c.values) {
            const char* name = key == kTool ? "PATH" : "MSINFO";
            w.registry.keys[key][name] = v;
        }
        StartSysInfo(w.app->Ctx());
        EXPECT_EQ(w.starter.started, c.started);
        EXPECT_EQ(w.messages.shown, c.message ? kUnavailable : QStringList());
        EXPECT_EQ(w.registry.open, 0);
    }
}

TEST_F(SysInfo, AboutBoxButtons) {
    w.MakeCollector("Work");
    w.app->Main();
    w.app->Show(FormId::frmAbout);
    auto* about = static_cast<frmAbout*>(w.app->Loaded(FormId::frmAbout));
    ASSERT_NE(about, nullptr);

    QTest::mouseClick(about->ui.cmdSysInfo, Qt::LeftButton);
    EXPECT_EQ(w.messages.shown, kUnavailable);
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmAbout));

    Set(kTool, "PATH", Registry::REG_SZ, Z("/usr/bin/gnome-system-monitor"));
    QTest::mouseClick(about->ui.cmdSysInfo, Qt::LeftButton);
    EXPECT_EQ(w.starter.started, std::vector<std::string>{"/usr/bin/gnome-system-monitor"});

    QTest::mouseClick(about->ui.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmAbout));
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmMain));
    Drain();
}
