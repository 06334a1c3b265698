#pragma once
// The settings routines. The program parses and rewrites its settings files itself.
#include <string>
#include <utility>
#include <vector>

namespace quorrel {

// The value of key in section; the empty text when the file, section or key is missing. Reading
// never writes: a missing file is not created, and attributes are left as they are. A UTF-8 or
// UTF-16 byte-order mark is read as such.
std::string ReadINI(const std::string& file, const std::string& section, const std::string& key);

// Sets key in section to value and rewrites the whole file (atomically), unless it holds that
// already. Fails with Overflow (6), naming the file and leaving it unchanged, when the file is
// larger than a settings file may be (1 MB).
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
