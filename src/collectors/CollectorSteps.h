#pragma once
// The store steps of the collector dialogs, apart from any window (standard library only).
#include "core/AppState.h"

#include <functional>
#include <string>
#include <vector>

namespace quorrel {

// Why a name cannot be a collector's name, or "" when it can. A collector name becomes a folder
// name and a settings value, so separators, "." and "..", control characters and "[" (which
// would end the settings section) are refused; blanks are kept as typed.
std::string CollectorNameProblem(const std::string& name);

// collectors folder & name & "\" : the form stored in CollectorPath and `Open`.
std::string CollectorFolderOf(const std::string& documents, const std::string& name);

// A folder of that name exists in the collectors folder (the file system decides letter case).
bool CollectorExists(const std::string& documents, const std::string& name);

// The collectors, in the file system's enumeration order; unfinished copies are left out.
std::vector<std::string> ListCollectors(const std::string& documents);

// Create: makes the new collector's folder. Done before any setting is written, so a name the
// file system refuses leaves the store as it was.
void CreateCollectorFolder(const std::string& documents, const std::string& name);
// Create: Skip, NewCollectorName, CollectorPath, Open, Label, then ClipNumber=0 in the new
// collector's hidden Settings.ini.
void RecordNewCollector(AppState& state, const std::string& name);

// Open: Skip, CollectorPath (with its trailing separator), Label, Open.
void RecordOpenCollector(AppState& state, const std::string& name);

// Save As: copies the open collector's folder to collectors folder & name, whole or not at all.
// The copy is built in a temporary folder beside the others and renamed into place once
// complete; links are copied as links and the hidden attribute goes along. `onEach` (tests)
// runs before each entry is copied.
void CopyCollector(const std::string& documents, const std::string& sourceFolder,
                   const std::string& name,
                   const std::function<void(const std::string&)>& onEach = {});
// The prefix of the temporary folders of a copy under way.
inline constexpr const char* kCopyPrefix = ".saving-";

// Delete: the collectors, the one named `skip` left out (exact comparison).
std::vector<std::string> DeletableCollectors(const std::string& documents, const std::string& skip);
// Delete: the name is the open collector's, by `Skip` or by CollectorPath.
bool IsOpenCollector(const AppState& state, const std::string& skip, const std::string& name);
// Delete: the collectors folder becomes the current directory.
void EnterCollectorsFolder(const std::string& documents);
// Delete: removes the collector's folder with all it holds, never following links.
void DeleteCollector(const std::string& documents, const std::string& name);

} // namespace quorrel
