#pragma once
// The store steps of the collector dialogs, apart from any window (no Qt: the store library
// and the standard library).
#include "core/AppState.h"

#include <functional>
#include <string>
#include <vector>

namespace quorrel {

// Why a name cannot be a collector's name, or "" when it can. A collector name becomes a folder
// name and a settings value, so separators, "." and "..", control characters (C1 ones too) and
// "[" (which would end the settings section) are refused, and so is a name longer than a folder
// name may be; blanks are kept as typed.
std::string CollectorNameProblem(const std::string& name);
// The same, and a name that would make the collector's paths too long for the file system.
std::string CollectorNameProblem(const std::string& documents, const std::string& name);
// For a collector that exists already (made by an earlier version, perhaps): only what must
// never reach a path or a settings value is refused.
std::string ExistingNameProblem(const std::string& name);

// collectors folder & name & "\" : the form stored in CollectorPath and `Open`.
std::string CollectorFolderOf(const std::string& documents, const std::string& name);

// A folder of that name exists in the collectors folder (the file system decides letter case).
bool CollectorExists(const std::string& documents, const std::string& name);

// The collectors, in the file system's enumeration order; unfinished work is left out.
std::vector<std::string> ListCollectors(const std::string& documents);

// Create: the new collector's folder with its hidden Settings.ini (ClipNumber=0), then Skip,
// Open and Label in one write of the application settings; NewCollectorName and CollectorPath
// are set only then. All or nothing: a failure (58 when the name was taken meanwhile) leaves
// no folder and every setting as it was.
void CreateCollector(AppState& state, const std::string& name);

// Open: Skip, Label and Open in one write, then CollectorPath (with its trailing separator).
// A failure leaves the settings and CollectorPath as they were.
void RecordOpenCollector(AppState& state, const std::string& name);

// Save As: copies the open collector's folder to collectors folder & name, whole or not at all.
// The copy is built in a temporary folder beside the others and renamed into place once
// complete; links are copied as links and the hidden attribute goes along; unfinished work of
// the source is left out. The copy is the user's to write, even of a read-only collector. A
// failure removes the unfinished copy (or says where it is left). `onEach` (tests) runs before
// each entry is copied.
void CopyCollector(const std::string& documents, const std::string& sourceFolder,
                   const std::string& name,
                   const std::function<void(const std::string&)>& onEach = {});

// Delete: the collectors, the one named `skip` left out (exact comparison).
std::vector<std::string> DeletableCollectors(const std::string& documents, const std::string& skip);
// Delete: the name is the open collector's, by `Skip` or by CollectorPath.
bool IsOpenCollector(const AppState& state, const std::string& skip, const std::string& name);
// Delete: the collectors folder becomes the current directory.
void EnterCollectorsFolder(const std::string& documents);
// Delete: removes the collector's folder with all it holds, never following links; all or
// nothing, also under a crash. A read-only file in it, or a folder this user may not change,
// makes the deletion fail (70) before anything is removed; what could not be removed after all
// is put back and reported, never taken for deleted.
void DeleteCollector(const std::string& documents, const std::string& name);

} // namespace quorrel
