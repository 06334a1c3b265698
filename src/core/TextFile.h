#pragma once
// Plain file access for the store. Text in the store is bytes (std::string) with CR LF line ends.
// Every failure is a RuntimeError. Store files are never opened through a symbolic link: a link
// where a store file belongs is an error, and its target is neither read nor written.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/RuntimeError.h"

namespace quorrel {

// The folder, beside what is being written, that holds everything unfinished: temporary files
// and folders are built in it and renamed out of it when complete, so whatever a crash leaves
// lies in one place. Its name holds "[", which no collector name may hold.
inline constexpr const char* kTempFolder = ".[temp]";

// A line ends at CR (a LF right after it is consumed too) or at the end of the file; a lone LF
// does not end a line and stays in the text.
std::vector<std::string> SplitLines(const std::string& bytes);

std::string ReadAll(const std::string& path); // 53 when missing
// A text file's bytes as the store's text: a UTF-8 byte-order mark at its start is dropped and a
// file in UTF-16 (it starts with its mark, as Windows editors write it) becomes UTF-8.
std::string DecodeText(std::string bytes);
std::string ReadText(const std::string& path);               // ReadAll, decoded; 53 when missing
std::vector<std::string> ReadLines(const std::string& path); // 53 when missing
std::string ReadFirstLine(const std::string& path);          // up to the first CR
// At most the first maxBytes of a text file, decoded; a character cut at the end is left out.
std::string ReadHead(const std::string& path, std::size_t maxBytes); // 53 when missing

// The path of the store's file or folder `name` (Settings.ini, Data, Numb, Pix, a picture) in
// folder: spelt as given when that exists or nothing matches (so new files get that spelling),
// else the entry whose name differs only in letter case, as a store copied from Windows, where
// case does not count, may have it. Folder and name are joined by plain concatenation.
std::string InFolder(const std::string& folder, const std::string& name);

// How a file or folder was being used when it failed, for a message that names it.
enum class Access { Read, Write, Make };
// A failure on `path` as a run-time error; one that a user can fix (no permission, a read-only
// disk, a missing folder) names the path and says what to do.
RuntimeError FileError(int err, const std::string& path, Access how = Access::Write);
// Fails (naming the path) when `path`, or the folder a new file would go into, cannot be
// written: checked before a command writes anything, so that it changes nothing.
void CheckWritable(const std::string& path);
// Appends text + CR LF whole or not at all: a failed write is cut back to the old length (and a
// file the append created is removed again). Returns the old length.
std::uint64_t AppendLine(const std::string& path, const std::string& text);
// Cuts a file back to `length` bytes (undoing an append).
void TruncateFile(const std::string& path, std::uint64_t length);
// Writes the file whole through a temporary file, renamed over the old one: a failure leaves
// the old file as it was.
// With `replace` false an existing file is never replaced: that fails with 58.
void WriteFileAtomic(const std::string& path, const std::string& bytes, bool replace = true);

// The last line of a text file, without its line end; nothing when the file is missing or empty.
// Reads the file from its end only.
std::optional<std::string> LastLine(const std::string& path);
// An append of `expected` (a line's text) cut off by a crash leaves part of it after the file's
// last line end: that part is removed, the whole line without its line end gets it, and a last
// line ended by CR alone gets its LF. Anything else (a hand-edited last line, lines ended by LF
// alone) is kept as it is. Reads the file from its end only and writes only when it repairs.
// True when something was repaired.
bool RepairLastLine(const std::string& path, const std::string& expected);

bool FileExists(const std::string& path);   // a file, also through a link (system files)
bool FolderExists(const std::string& path); // a folder, also through a link
bool EntryExists(const std::string& path);  // anything of that name, a link included
bool IsLink(const std::string& path);
// Refuses a symbolic link where a store file or folder belongs.
void RefuseLink(const std::string& path);

// Makes one folder level, readable by its owner only (clips often hold passwords).
void CreateFolder(const std::string& path);
// A new, empty folder inside parent's temporary folder, to be filled and then moved into place.
std::string MakeTempFolder(const std::string& parent);
// Renames a finished temporary folder (or file) to `target`, which must not exist yet (58).
void MoveIntoPlace(const std::string& temp, const std::string& target);
// Removes a temporary folder again (read-only folders of its own included), and the temporary
// folder around it when that is empty. False when something of it is left.
bool DropTemp(const std::string& temp) noexcept;
// Removes what an interrupted command left in folder's temporary folder. True when it found any.
bool RemoveLeftovers(const std::string& folder);
// Copies one file, its bytes, permissions and modification time; the target must not exist.
void CopyFile(const std::string& from, const std::string& to);

// The first entry below folder (itself included) that is read-only: no write permission for its
// owner, or the read-only attribute; or a folder this user may not change (another user's).
// Relative to folder; empty when there is none. Links are not followed. `why` (when given) gets
// what stands in the way: "is read-only" or "belongs to another user".
std::string FirstReadOnly(const std::string& folder, std::string* why = nullptr);
// Removes a folder with everything in it, never following symbolic links out of it. A read-only
// file is not forced: it makes the deletion fail (70) before anything is removed.
void DeleteFolder(const std::string& path);
// Names of the sub-folders, in the file system's enumeration order; links and temporary folders
// are left out.
std::vector<std::string> SubFolders(const std::string& path);

} // namespace quorrel
