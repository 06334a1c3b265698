#pragma once
// The store steps of start-up and of the text mode, apart from any window.
#include "AppState.h"
#include <string>
#include <vector>

namespace quorrel {

// Start-up, first run: make DocumentsPath & "\Clips", then "\Clips\Data".
void MakeStoreRoot(const std::string& documents);

// Start-up, normal start (steps 2 to 4): CollectorLabel from `Label`, CollectorPath without a
// trailing separator, `Open` rewritten. Returns nothing; the clip index is read separately.
void OpenCollectorAtStart(AppState& state);

// The lines of CollectorPath & "\Data" (set hidden afterwards); empty when the file is missing.
std::vector<std::string> ReadClipIndex(const std::string& collectorPath);

// Add to Collector, steps 2 and 4 to 6: takes the next clip number from `ClipNumber`, writes
// the clip file anew, raises `ClipNumber` and appends the number to `Numb`. Returns the number.
std::string AddClipText(const std::string& collectorPath, const std::string& clipText);

// Add to Collector, steps 8 and 9: "N) " & the clip's first line appended to `Data`.
void IndexClip(const std::string& collectorPath, const std::string& number);

// Choose a clip, step 3: every line of clip file N followed by CR LF.
std::string ReadClipForClipboard(const std::string& collectorPath, const std::string& number);

} // namespace quorrel
