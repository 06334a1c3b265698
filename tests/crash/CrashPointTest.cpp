// Crash points: each store command runs in a child process with a preloaded shim that kills it
// before its k-th file call (and, in a second pass, halfway through its k-th write), for every k
// until the command gets through. After each crash the program starts again (the start's store
// steps, with the recovery) and the store must be whole: every stored clip listed once in Numb
// and Data, every line whole, nothing temporary left, the command done or not done at all, and
// the next Add working.
#include "core/Ini.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using quorrel::CInt;
using quorrel::IniGet;

namespace {

using Tree = std::map<std::string, std::string>;

const std::string kPicture = "BM picture bytes\r\nwith a line end";
const std::string kClip = "crash clip\r\nsecond line";

std::string Get(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Put(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

Tree TreeOf(const fs::path& folder) {
    Tree t;
    if (!fs::exists(folder)) return t;
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it)
        t[it->path().lexically_relative(folder).string()] =
            it->is_directory() ? "<dir>" : Get(it->path());
    return t;
}

struct Outcome {
    bool killed = false;
    int status = -1;
};

// Runs the driver; with crashAt > 0 under the shim.
Outcome RunDriver(const std::vector<std::string>& args, long crashAt = 0, bool half = false) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    if (crashAt > 0) {
        env.push_back(std::string("LD_PRELOAD=") + CRASH_SHIM);
        env.push_back("CRASH_AT=" + std::to_string(crashAt));
        if (half) env.push_back("CRASH_HALF=1");
        // A sanitizer build wants its runtime first; the shim goes before it.
        env.push_back("ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0");
    }
    std::vector<std::string> argv{CRASH_DRIVER};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> a, e;
    for (auto& s : argv)
        a.push_back(s.data());
    a.push_back(nullptr);
    for (auto& s : env)
        e.push_back(s.data());
    e.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execve(a[0], a.data(), e.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    Outcome o;
    o.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

class CrashPoints : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "quorrel-crash-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        docs = tmpl;
    }
    void TearDown() override { fs::remove_all(docs); }

    fs::path Data() const { return fs::path(docs) / "Clips" / "Data"; }
    fs::path Work() const { return Data() / "Work"; }

    // A store with Work open: three clips (one of two lines), and pictures when asked.
    void MakeStore(int pictures) {
        fs::remove_all(fs::path(docs) / "Clips");
        const std::vector<std::string> clips{"one", "two\r\nlines", "three"};
        std::string numb, data;
        for (size_t i = 0; i < clips.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            Put(Work() / n, clips[i] + "\r\n");
            numb += n + "\r\n";
            data += n + ") " + clips[i].substr(0, clips[i].find('\r')) + "\r\n";
        }
        Put(Work() / "Numb", numb);
        Put(Work() / "Data", data);
        Put(Work() / "Settings.ini", "[Collector]\r\nClipNumber=3\r\n");
        if (pictures > 0) {
            Put(Work() / "Pix" / "Settings.ini",
                "[Collector]\r\nPicNum=" + std::to_string(pictures) + "\r\n");
            for (int p = 1; p <= pictures; ++p)
                Put(Work() / "Pix" / (std::to_string(p) + ".jpg"), "BM " + std::to_string(p));
        }
        const std::string folder = Work().string() + "/";
        Put(Data() / "Settings.ini",
            "[Collector]\r\nLabel=Work\r\nOpen=" + folder + "\r\nSkip=Work\r\n");
    }

    // Every stored clip listed once, every line whole, the pictures counted right.
    void ExpectWholeCollector(const fs::path& c) {
        SCOPED_TRACE(c.filename().string());
        const short clipNumber = CInt(IniGet(Get(c / "Settings.ini"), "Collector", "ClipNumber"));
        std::vector<std::string> numb, data;
        for (const char* index : {"Numb", "Data"}) {
            if (!fs::exists(c / index)) continue;
            const std::string bytes = Get(c / index);
            EXPECT_TRUE(bytes.empty() ||
                        (bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n"))
                << index << " ends in a part line";
            (std::string(index) == "Numb" ? numb : data) = quorrel::SplitLines(bytes);
        }
        std::vector<std::string> dataNumbers;
        for (const std::string& line : data) {
            const size_t cut = line.find(") ");
            ASSERT_NE(cut, std::string::npos) << "Data line '" << line << "'";
            dataNumbers.push_back(line.substr(0, cut));
        }
        EXPECT_EQ(numb, dataNumbers) << "Numb and Data disagree";
        std::set<std::string> seen;
        for (const std::string& n : numb) {
            EXPECT_TRUE(seen.insert(n).second) << "clip " << n << " listed twice";
            EXPECT_TRUE(fs::is_regular_file(c / n)) << "clip " << n << " listed without a file";
            EXPECT_LE(CInt(n), clipNumber) << "clip " << n << " above ClipNumber";
        }
        for (int n = 1; n <= clipNumber; ++n) {
            if (fs::exists(c / std::to_string(n))) {
                EXPECT_EQ(seen.count(std::to_string(n)), 1u) << "clip " << n << " listed nowhere";
            }
        }
        if (fs::exists(c / "Pix")) {
            const short picNum =
                CInt(IniGet(Get(c / "Pix" / "Settings.ini"), "Collector", "PicNum"));
            for (int p = 1; p <= picNum; ++p) {
                EXPECT_TRUE(fs::exists(c / "Pix" / (std::to_string(p) + ".jpg"))) << p;
            }
        }
    }

    void ExpectWholeStore() {
        for (auto it = fs::recursive_directory_iterator(fs::path(docs) / "Clips");
             it != fs::recursive_directory_iterator(); ++it)
            EXPECT_EQ(it->path().filename().string().find('['), std::string::npos)
                << "left: " << it->path();
        for (const auto& e : fs::directory_iterator(Data())) {
            if (e.is_directory()) ExpectWholeCollector(e.path());
        }
        const std::string settings = Get(Data() / "Settings.ini");
        const std::string label = IniGet(settings, "Collector", "Label");
        EXPECT_TRUE(fs::is_directory(Data() / label)) << "Label names no collector: " << label;
        EXPECT_EQ(IniGet(settings, "Collector", "Skip"), label);
    }

    // Crashes `command` at each of its file calls in turn; returns how many there were.
    long Walk(const std::string& command, int pictures, bool half,
              const std::function<void()>& expectDoneOrNot,
              const std::function<void()>& prepare = {}) {
        for (long k = 1; k < 1000; ++k) {
            SCOPED_TRACE(command + (half ? ", halfway through" : ", before") + " file call " +
                         std::to_string(k));
            MakeStore(pictures);
            if (prepare) prepare();
            const Outcome crashed = RunDriver({docs, command}, k, half);
            if (!crashed.killed) {
                EXPECT_EQ(crashed.status, 0) << "the command failed without a crash";
                std::printf("[ points   ] %s%s: %ld file calls\n", command.c_str(),
                            half ? " (halfway)" : "", k - 1);
                return k - 1;
            }
            EXPECT_EQ(RunDriver({docs, "start"}).status, 0) << "the restart failed";
            ExpectWholeStore();
            expectDoneOrNot();
            EXPECT_EQ(RunDriver({docs, "add", "after the crash"}).status, 0)
                << "the next add failed";
            ExpectWholeStore();
            if (HasFailure()) return -1; // one broken crash point tells enough
        }
        ADD_FAILURE() << "the command never got through";
        return -1;
    }

    std::string docs;
};

TEST_F(CrashPoints, AddIsWholeOrNotDoneAfterEveryCrash) {
    auto check = [&] {
        const std::string n = IniGet(Get(Work() / "Settings.ini"), "Collector", "ClipNumber");
        ASSERT_TRUE(n == "3" || n == "4") << n;
        if (n == "4") {
            EXPECT_EQ(Get(Work() / "4"), kClip + "\r\n");
        }
    };
    for (bool half : {false, true}) {
        const long points = Walk("add", 0, half, check);
        EXPECT_GE(points, 10) << "the shim saw too few file calls";
    }
}

TEST_F(CrashPoints, CreateMakesAWholeCollectorOrNone) {
    auto check = [&] {
        const fs::path created = Data() / "New";
        if (fs::exists(created)) {
            EXPECT_EQ(TreeOf(created), (Tree{{"Settings.ini", "[Collector]\r\nClipNumber=0\r\n"}}));
        }
        const std::string label = IniGet(Get(Data() / "Settings.ini"), "Collector", "Label");
        EXPECT_TRUE(label == "Work" || label == "New") << label;
    };
    for (bool half : {false, true})
        EXPECT_GE(Walk("create", 0, half, check), 5);
}

TEST_F(CrashPoints, SaveAsMakesAWholeCopyOrNone) {
    MakeStore(2);
    const Tree original = TreeOf(Work());
    auto check = [&] {
        if (fs::exists(Data() / "Copy")) {
            EXPECT_TRUE(TreeOf(Data() / "Copy") == original);
        }
    };
    for (bool half : {false, true})
        EXPECT_GE(Walk("saveas", 2, half, check), 10);
}

TEST_F(CrashPoints, DeleteRemovesAWholeCollectorOrNone) {
    auto copyWorkToOld = [&] { fs::copy(Work(), Data() / "Old", fs::copy_options::recursive); };
    MakeStore(2);
    copyWorkToOld();
    const Tree original = TreeOf(Data() / "Old");
    auto check = [&] {
        if (fs::exists(Data() / "Old")) {
            EXPECT_TRUE(TreeOf(Data() / "Old") == original);
        }
    };
    for (bool half : {false, true})
        EXPECT_GE(Walk("delete", 2, half, check, copyWorkToOld), 3);
}

TEST_F(CrashPoints, APictureIsStoredWholeOrNotAtAll) {
    for (int pictures : {0, 1}) {
        SCOPED_TRACE(pictures ? "second picture" : "first picture");
        auto check = [&] {
            if (!fs::exists(Work() / "Pix")) {
                EXPECT_EQ(pictures, 0);
                return;
            }
            const std::string picNum =
                IniGet(Get(Work() / "Pix" / "Settings.ini"), "Collector", "PicNum");
            const std::string next = std::to_string(pictures + 1);
            ASSERT_TRUE(picNum == std::to_string(pictures) || picNum == next) << picNum;
            if (picNum == next) {
                EXPECT_EQ(Get(Work() / "Pix" / (next + ".jpg")), kPicture);
            } else {
                // A picture the next Add would meet is never left beyond PicNum.
                EXPECT_FALSE(fs::exists(Work() / "Pix" / (next + ".jpg"))) << "beyond PicNum";
            }
        };
        for (bool half : {false, true})
            EXPECT_GE(Walk("picture", pictures, half, check), 5);
    }
}

} // namespace
