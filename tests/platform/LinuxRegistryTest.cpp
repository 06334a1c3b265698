// The Linux stand-in for the two registry values: which tool it names, and the registry's own
// rules for handing out text values.
#include "platform/x11/LinuxRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

using namespace quorrel;

namespace {

const char* const kTool = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char* const kLocation = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct Folder {
    QTemporaryDir dir;
    std::string path = dir.path().toStdString();
    void Add(const std::string& name, bool executable) {
        const std::string p = path + "/" + name;
        std::ofstream(p) << "#!/bin/sh\n";
        QFile::setPermissions(QString::fromStdString(p),
                              executable ? QFile::ReadOwner | QFile::ExeOwner : QFile::ReadOwner);
    }
};

struct Read {
    long open, query;
    unsigned long type, size;
    std::string data;
};

Read Query(LinuxRegistry& r, const char* key, const char* value, unsigned long bufferSize = 1024) {
    Read out{};
    Registry::HKEY h = 0;
    out.open = r.RegOpenKeyExA(Registry::HKEY_LOCAL_MACHINE, key, 0, 0x2003F, &h);
    if (out.open != 0) return out;
    std::vector<unsigned char> buffer(bufferSize + 1, 0xAA);
    out.size = bufferSize;
    out.query = r.RegQueryValueExA(h, value, &out.type, buffer.data(), &out.size);
    if (out.query == 0) out.data.assign(buffer.begin(), buffer.begin() + out.size);
    EXPECT_EQ(r.RegCloseKey(h), 0);
    return out;
}

} // namespace

TEST(LinuxRegistry, NamesTheFirstSystemMonitorOnThePath) {
    Folder a, b;
    a.Add("lxtask", true);
    a.Add("gnome-system-monitor", false); // not executable: not a tool
    b.Add("hardinfo", true);
    LinuxRegistry r(a.path + ":" + b.path, {});
    const Read got = Query(r, kTool, "PATH");
    ASSERT_EQ(got.query, 0);
    EXPECT_EQ(got.type, Registry::REG_SZ);
    EXPECT_EQ(got.data, b.path + "/hardinfo" + std::string(1, '\0')) << "tool order wins";
    EXPECT_EQ(got.size, b.path.size() + std::string("/hardinfo").size() + 1);

    // Key and value names compare without regard to letter case.
    EXPECT_EQ(Query(r, "software\\microsoft\\shared tools\\msinfo", "path").query, 0);
}

TEST(LinuxRegistry, SaysMoreDataWhenTheBufferIsTooSmall) {
    Folder a;
    a.Add("lxtask", true);
    LinuxRegistry r(a.path, {});
    const unsigned long needed = static_cast<unsigned long>(a.path.size() + 8); // "/lxtask" + 0
    const Read small = Query(r, kTool, "PATH", needed - 1);
    EXPECT_EQ(small.query, 234);
    EXPECT_EQ(small.size, needed);
    const Read exact = Query(r, kTool, "PATH", needed);
    EXPECT_EQ(exact.query, 0);
    EXPECT_EQ(exact.size, needed);
}

TEST(LinuxRegistry, AbsentToolsAndFoldersReadAsNotFound) {
    Folder none, withExe, withoutExe;
    withExe.Add("MSINFO32.EXE", false);
    LinuxRegistry empty(none.path, {withoutExe.path});
    EXPECT_EQ(Query(empty, kTool, "PATH").query, 2);
    EXPECT_EQ(Query(empty, kLocation, "MSINFO").query, 2);
    EXPECT_EQ(Query(empty, "SOFTWARE\\Other", "PATH").open, 2);
    EXPECT_EQ(Query(empty, kTool, "Other").query, 2);

    LinuxRegistry found(none.path, {withoutExe.path, withExe.path});
    const Read got = Query(found, kLocation, "MSINFO");
    ASSERT_EQ(got.query, 0);
    EXPECT_EQ(got.data, withExe.path + std::string(1, '\0'));

    Registry::HKEY h = 0;
    EXPECT_EQ(found.RegOpenKeyExA(0x80000001u, kTool, 0, 0x2003F, &h), 2) << "only the machine key";
}
