#pragma once
// The store steps of start-up and of the text mode, apart from any window.
#include "AppState.h"
#include <cstddef>
#include <string>
#include <vector>

namespace quorrel {

// Start-up, first run: make DocumentsPath & "\Clips", then "\Clips\Data".
void MakeStoreRoot(const std::string& documents);

// Why `Label` cannot name the collector opened at start, or "" when it can: a name with a
// separator, "." or "..", or a link where the collector's folder belongs, leads outside the
// collectors folder. An empty Label is no problem (no collector is open).
std::string LabelProblem(const std::string& documents, const std::string& label);

// Start-up, normal start (steps 2 to 4): CollectorLabel from `Label`, CollectorPath without a
// trailing separator, `Open` rewritten, then what an interrupted command left is finished or
// undone. A Label that leads outside the collectors folder opens no collector, as an empty one.
// Throws when the application settings cannot be read. Returns the first problem after which
// the start goes on (a refused Label, a failed rewrite or repair), or "".
std::string OpenCollectorAtStart(AppState& state);

// What an interrupted command left in a collector, finished or undone: its temporary files go,
// what an interrupted append left after the last line end of `Numb` or `Data` (a part of the
// line for clip `ClipNumber`) is cut off, the clip numbered `ClipNumber` (when its file exists)
// gets the index lines it lacks, and a whole picture right after `PicNum` gets counted. Any
// other last line (LF line ends, a hand edit) is kept. Reads only the ends of `Numb` and `Data`
// and writes nothing unless something is amiss. A missing collector folder is left alone.
void RecoverCollector(const std::string& collectorPath);
// What an interrupted Create or Save As left in the collectors folder, removed.
void RecoverCollectorsFolder(const std::string& documents);

// The lines of CollectorPath & "\Data"; empty when the file is missing. Nothing is written.
std::vector<std::string> ReadClipIndex(const std::string& collectorPath);

// Add to Collector, steps 2, 4 to 6, 8 and 9: the next clip number from `ClipNumber`, the clip
// file, the new `ClipNumber`, the number appended to `Numb` and "N) " & the clip's first line to
// `Data`. All or nothing: a file that cannot be written is named before anything is written, and
// on a failure every file is put back as it was. A clip already stored
// under the next number (a `ClipNumber` lower than the collector's clips) is never overwritten:
// that is refused before anything is written. Returns the number.
std::string AddClip(const std::string& collectorPath, const std::string& clipText);

// Choose a clip, step 3: the text of clip N exactly as it was added (see ClipOfFile).
std::string ReadClipForClipboard(const std::string& collectorPath, const std::string& number);
// The first maxBytes of clip N's text, for finding it; "" when it cannot be read.
std::string ReadClipHead(const std::string& collectorPath, const std::string& number,
                         std::size_t maxBytes) noexcept;
// A clip file's bytes without the one CR LF that storing appended: what was added comes back,
// a text that ended with a line end keeps it, and a file without one (edited by hand) is whole.
std::string ClipOfFile(std::string bytes);

} // namespace quorrel
