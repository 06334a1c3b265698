#include "CollectorSteps.h"

#include "core/FileAttr.h"
#include "core/Ini.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

#include <algorithm>
#include <filesystem>
#include <random>

namespace quorrel {

namespace fs = std::filesystem;

namespace {

const char* const kSection = "Collector";

std::string WithoutTrailingSeps(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == Sep))
        path.pop_back();
    return path;
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// A random suffix, so that two copies under way (or one left by a crash) never meet.
std::string RandomSuffix() {
    static std::mt19937_64 rng{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (unsigned long long v = rng(), i = 0; i < 12; ++i, v >>= 4)
        s += digits[v & 15];
    return s;
}

void CopyTree(const fs::path& from, const fs::path& to, const fs::path& root,
              const std::function<void(const std::string&)>& onEach) {
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        const fs::path& p = entry.path();
        if (onEach) onEach(p.string());
        const fs::path target = to / p.filename();
        const fs::file_status st = fs::symlink_status(p);
        if (fs::is_symlink(st)) {
            // As a link: a link to somewhere else must not pull that place into the copy.
            fs::copy_symlink(p, target);
        } else if (fs::is_directory(st)) {
            fs::create_directory(target, p);
            CopyTree(p, target, root, onEach);
            CopyAttributes(p.string(), target.string());
        } else if (fs::is_regular_file(st)) {
            fs::copy_file(p, target);
            CopyAttributes(p.string(), target.string());
            fs::last_write_time(target, fs::last_write_time(p));
        } else {
            throw RuntimeError(ErrPathFileAccess, DescriptionOf(ErrPathFileAccess) + ": '" +
                                                      p.lexically_relative(root).string() +
                                                      "' is neither a file nor a folder");
        }
    }
}

} // namespace

std::string CollectorNameProblem(const std::string& name) {
    if (name.empty()) return "Type a name for the collector.";
    bool bad = name == "." || name == "..";
    for (unsigned char ch : name)
        if (ch < 32 || ch == 127 || ch == '/' || ch == '\\' || ch == '[') bad = true;
    if (bad) return "A collector name may not contain / \\ [ or control characters, nor be . or ..";
    return {};
}

std::string CollectorFolderOf(const std::string& documents, const std::string& name) {
    return CollectorsFolder(documents) + name + Sep;
}

bool CollectorExists(const std::string& documents, const std::string& name) {
    std::error_code ec;
    // Anything of that name, a file or a link too, takes the name. A name the file system
    // cannot even look up is left for the creation to report.
    const fs::file_status st = fs::symlink_status(CollectorsFolder(documents) + name, ec);
    return !ec && fs::exists(st);
}

std::vector<std::string> ListCollectors(const std::string& documents) {
    std::vector<std::string> names;
    for (std::string& n : SubFolders(CollectorsFolder(documents)))
        if (!StartsWith(n, kCopyPrefix)) names.push_back(std::move(n));
    return names;
}

void CreateCollectorFolder(const std::string& documents, const std::string& name) {
    CreateFolder(CollectorsFolder(documents) + name);
}

void RecordNewCollector(AppState& state, const std::string& name) {
    const std::string app = AppSettingsFile(state.DocumentsPath);
    const std::string folder = CollectorFolderOf(state.DocumentsPath, name);
    WriteINI(app, kSection, "Skip", name);
    state.NewCollectorName = name;
    state.CollectorPath = folder;
    WriteINI(app, kSection, "Open", folder);
    WriteINI(app, kSection, "Label", name);
    const std::string settings = folder + P("\\Settings.ini");
    WriteINI(settings, kSection, "ClipNumber", "0");
    SetHidden(settings);
}

void RecordOpenCollector(AppState& state, const std::string& name) {
    const std::string app = AppSettingsFile(state.DocumentsPath);
    const std::string folder = CollectorFolderOf(state.DocumentsPath, name);
    WriteINI(app, kSection, "Skip", name);
    state.CollectorPath = folder;
    WriteINI(app, kSection, "Label", name);
    WriteINI(app, kSection, "Open", folder);
}

void CopyCollector(const std::string& documents, const std::string& sourceFolder,
                   const std::string& name, const std::function<void(const std::string&)>& onEach) {
    const fs::path source(WithoutTrailingSeps(sourceFolder));
    const fs::path target(CollectorsFolder(documents) + name);
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(source, ec))) throw RuntimeError(ErrPathNotFound);
    // With no collector named at start-up the open folder is the collectors folder itself: a
    // copy of it would land inside what it copies and never end.
    const fs::path sourceReal = fs::weakly_canonical(source, ec);
    const fs::path home = fs::weakly_canonical(CollectorsFolder(documents), ec);
    const auto [s, h] =
        std::mismatch(sourceReal.begin(), sourceReal.end(), home.begin(), home.end());
    if (!ec && s == sourceReal.end())
        throw RuntimeError(ErrPathFileAccess, DescriptionOf(ErrPathFileAccess) +
                                                  ": no collector is open to be copied");

    fs::path temp;
    try {
        for (;;) {
            temp = fs::path(CollectorsFolder(documents) + kCopyPrefix + RandomSuffix());
            if (fs::create_directory(temp, source)) break;
        }
    } catch (const fs::filesystem_error& e) {
        throw FromErrorCode(e.code());
    }
    try {
        CopyAttributes(source.string(), temp.string());
        CopyTree(source, temp, source, onEach);
        if (fs::symlink_status(target, ec).type() != fs::file_type::not_found)
            throw RuntimeError(ErrFileExists);
        fs::rename(temp, target);
    } catch (...) {
        fs::remove_all(temp, ec); // links inside are removed as links
        try {
            throw;
        } catch (const fs::filesystem_error& e) {
            throw FromErrorCode(e.code());
        }
    }
}

std::vector<std::string> DeletableCollectors(const std::string& documents,
                                             const std::string& skip) {
    std::vector<std::string> names;
    for (std::string& n : ListCollectors(documents))
        if (n != skip) names.push_back(std::move(n));
    return names;
}

bool IsOpenCollector(const AppState& state, const std::string& skip, const std::string& name) {
    if (name == skip) return true;
    if (state.CollectorPath.empty()) return false;
    std::error_code ec;
    return fs::equivalent(WithoutTrailingSeps(state.CollectorPath),
                          CollectorsFolder(state.DocumentsPath) + name, ec);
}

void EnterCollectorsFolder(const std::string& documents) {
    std::error_code ec;
    fs::current_path(CollectorsFolder(documents), ec);
    if (ec) throw FromErrorCode(ec);
}

void DeleteCollector(const std::string& documents, const std::string& name) {
    DeleteFolder(CollectorsFolder(documents) + name);
}

} // namespace quorrel
