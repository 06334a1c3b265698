#include "CollectorSteps.h"

#include "core/FileAttr.h"
#include "core/Ini.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace quorrel {

namespace fs = std::filesystem;

namespace {

const char* const kSection = "Collector";
// The longest folder name, and path, that the file systems in use take.
constexpr size_t kMaxNameBytes = 255;
constexpr size_t kMaxPathBytes = 4095;
constexpr size_t kPathReserve = 64;

std::string WithoutTrailingSeps(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == Sep))
        path.pop_back();
    return path;
}

void CopyTree(const fs::path& from, const fs::path& to, const fs::path& root,
              const std::function<void(const std::string&)>& onEach) {
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        const fs::path& p = entry.path();
        if (p.filename() == kTempFolder) continue; // unfinished work is no part of a collector
        if (onEach) onEach(p.string());
        const fs::path target = to / p.filename();
        const fs::file_status st = fs::symlink_status(p);
        if (fs::is_symlink(st)) {
            // As a link: a link to somewhere else must not pull that place into the copy.
            fs::copy_symlink(p, target);
        } else if (fs::is_directory(st)) {
            // Made writable for its owner, so that a read-only folder can be filled (and an
            // unfinished copy removed); the copy is a collector of the user's own.
            CreateFolder(target.string());
            CopyTree(p, target, root, onEach);
            fs::permissions(target, st.permissions() | fs::perms::owner_all);
            CopyAttributes(p.string(), target.string());
        } else if (fs::is_regular_file(st)) {
            CopyFile(p.string(), target.string());
            fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
            CopyAttributes(p.string(), target.string());
        } else {
            throw RuntimeError(ErrPathFileAccess, DescriptionOf(ErrPathFileAccess) + ": '" +
                                                      p.lexically_relative(root).string() +
                                                      "' is neither a file nor a folder");
        }
    }
}

} // namespace

std::string ExistingNameProblem(const std::string& name) {
    if (name.empty()) return "Type a name for the collector.";
    bool bad = name == "." || name == "..";
    for (unsigned char ch : name)
        if (ch < 32 || ch == 127 || ch == '/' || ch == '\\' || ch == '[') bad = true;
    if (bad) return "A collector name may not contain / \\ [ or control characters, nor be . or ..";
    return {};
}

std::string CollectorNameProblem(const std::string& name) {
    if (std::string problem = ExistingNameProblem(name); !problem.empty()) return problem;
    // U+0080 to U+009F in UTF-8: the C1 control characters.
    for (size_t i = 0; i + 1 < name.size(); ++i)
        if (static_cast<unsigned char>(name[i]) == 0xC2 &&
            static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(name[i + 1]) <= 0x9F)
            return "A collector name may not contain / \\ [ or control characters, nor be . or ..";
    if (name.size() > kMaxNameBytes)
        return "The name is too long: a collector name may have at most " +
               std::to_string(kMaxNameBytes) + " bytes, this one has " +
               std::to_string(name.size()) + ".";
    return {};
}

std::string CollectorNameProblem(const std::string& documents, const std::string& name) {
    if (std::string problem = CollectorNameProblem(name); !problem.empty()) return problem;
    // Room for the longest path a collector holds (a picture being written inside Pix).
    if (CollectorsFolder(documents).size() + name.size() + kPathReserve > kMaxPathBytes)
        return "The name is too long: the collector's folder path would be longer than the "
               "file system takes.";
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
    return SubFolders(CollectorsFolder(documents));
}

void CreateCollector(AppState& state, const std::string& name) {
    const std::string& docs = state.DocumentsPath;
    const std::string target = CollectorsFolder(docs) + name;
    const std::string folder = CollectorFolderOf(docs, name);
    // Built whole in the temporary folder, so that the collector appears complete or not at all.
    const std::string temp = MakeTempFolder(CollectorsFolder(docs));
    try {
        const std::string settings = temp + P("\\Settings.ini");
        WriteINI(settings, kSection, "ClipNumber", "0");
        SetHidden(settings);
        MoveIntoPlace(temp, target);
    } catch (const RuntimeError&) {
        DropTemp(temp);
        throw;
    }
    try {
        WriteINIKeys(AppSettingsFile(docs), kSection,
                     {{"Skip", name}, {"Open", folder}, {"Label", name}});
    } catch (const RuntimeError&) {
        std::error_code ec;
        fs::remove_all(target, ec); // only what was made just now
        throw;
    }
    state.NewCollectorName = name;
    state.CollectorPath = folder;
}

void RecordOpenCollector(AppState& state, const std::string& name) {
    const std::string folder = CollectorFolderOf(state.DocumentsPath, name);
    WriteINIKeys(AppSettingsFile(state.DocumentsPath), kSection,
                 {{"Skip", name}, {"Label", name}, {"Open", folder}});
    state.CollectorPath = folder;
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

    const std::string temp = MakeTempFolder(CollectorsFolder(documents));
    // What could not be copied is told; so is an unfinished copy that could not be removed.
    auto fail = [&](RuntimeError e) {
        if (!DropTemp(temp))
            e = RuntimeError(e.number, e.description +
                                           ". The unfinished copy could not be "
                                           "removed: delete '" +
                                           temp + "' yourself.");
        return e;
    };
    try {
        CopyTree(source, temp, source, onEach);
        // The folder's own permissions last, so that a read-only source does not stop the copy;
        // its owner may write it, or it could not be moved into place.
        fs::permissions(temp, fs::status(source).permissions() | fs::perms::owner_all);
        CopyAttributes(source.string(), temp);
        MoveIntoPlace(temp, target.string());
    } catch (const fs::filesystem_error& e) {
        throw fail(e.path1().empty()
                       ? FromErrorCode(e.code())
                       : FileError(e.code().value(), e.path1().string(), Access::Read));
    } catch (const RuntimeError& e) {
        throw fail(e);
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
    const std::string folder = CollectorsFolder(documents) + name;
    if (IsLink(folder) || !FolderExists(folder)) {
        DeleteFolder(folder); // a link goes as a link; nothing there is "Path not found"
        return;
    }
    // Everything that could stop the removal is looked for first, so that nothing is removed.
    std::string why;
    if (const std::string file = FirstReadOnly(folder, &why); !file.empty())
        throw RuntimeError(ErrPermissionDenied,
                           DescriptionOf(ErrPermissionDenied) + ": '" + file + "' " + why);
    // Moved whole into the temporary folder first: the collector is gone at once, and what a
    // crash leaves of the removal is removed at the next start.
    const std::string temp = MakeTempFolder(CollectorsFolder(documents));
    const std::string moved = temp + Sep + "deleted";
    if (::rename(folder.c_str(), moved.c_str()) != 0) {
        const int err = errno;
        DropTemp(temp);
        throw FileError(err, folder);
    }
    if (DropTemp(temp)) return;
    // Not all of it could be removed: what is left goes back under its name, and the deletion
    // is reported as failed, never as done.
    const bool back = ::rename(moved.c_str(), folder.c_str()) == 0;
    if (back) DropTemp(temp);
    throw RuntimeError(ErrPathFileAccess,
                       DescriptionOf(ErrPathFileAccess) + ": '" + name +
                           "' could not be removed whole; what is left of it is " +
                           (back ? "back in its place." : "in '" + moved + "'."));
}

} // namespace quorrel
