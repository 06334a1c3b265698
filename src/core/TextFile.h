#pragma once
// Plain file access for the store. Text in the store is bytes (std::string) with CR LF line ends.
// Every failure is a RuntimeError.
#include <optional>
#include <string>
#include <vector>

namespace quorrel {

// A line ends at CR (a LF right after it is consumed too) or at the end of the file; a lone LF
// does not end a line and stays in the text.
std::vector<std::string> SplitLines(const std::string& bytes);

std::string ReadAll(const std::string& path);               // 53 when missing
std::vector<std::string> ReadLines(const std::string& path); // 53 when missing
std::string ReadFirstLine(const std::string& path);          // up to the first CR
void AppendLine(const std::string& path, const std::string& text); // text + CR LF, creates
// Writes the file whole through a temporary file in the same folder, renamed over the old one:
// a failure leaves the old file as it was.
void WriteFileAtomic(const std::string& path, const std::string& bytes);
// Creates an empty file when none exists ("open for byte access").
void EnsureFile(const std::string& path);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Makes one folder level, readable by its owner only (clips often hold passwords).
void CreateFolder(const std::string& path);
// Removes a folder with everything in it, never following symbolic links out of it.
void DeleteFolder(const std::string& path);
// Names of the sub-folders, in the file system's enumeration order.
std::vector<std::string> SubFolders(const std::string& path);

} // namespace quorrel
