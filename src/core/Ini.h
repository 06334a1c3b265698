#pragma once
// The settings routines. The program parses and rewrites its settings files itself.
#include <string>
#include <utility>
#include <vector>

namespace quorrel {

// The value of key in section; the empty text when the file, section or key is missing.
// The file exists afterwards (created empty) and carries the archive-only attribute.
std::string ReadINI(const std::string& file, const std::string& section, const std::string& key);

// Sets key in section to value and rewrites the whole file (atomically). Fails with Overflow (6)
// leaving the file unchanged when a position it needs lies beyond character 32,767.
void WriteINI(const std::string& file, const std::string& section, const std::string& key,
              const std::string& value);

// Several keys of one section written in one go, as WriteINI would write them one after the
// other: the file holds all of them or, when any fails, none.
void WriteINIKeys(const std::string& file, const std::string& section,
                  const std::vector<std::pair<std::string, std::string>>& keys);

// The same two routines on a file's content in memory.
std::string IniGet(const std::string& content, const std::string& section, const std::string& key);
std::string IniSet(const std::string& content, const std::string& section, const std::string& key,
                   const std::string& value);

// The piece of text in front of ("F") or behind ("B") the first delimiter, or "Err1".."Err5".
std::string SplitString(const std::string& text, const std::string& delimiter,
                        const std::string& part);

// A text converted to a 16-bit signed integer as the classic CInt does: blanks around allowed,
// rounding half to even; 13 (Type mismatch) for an empty or non-numeric text, 6 (Overflow) when
// out of range.
short CInt(const std::string& text);

} // namespace quorrel
