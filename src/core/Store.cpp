#include "core/Store.h"

#include "core/FileAttr.h"
#include "core/Ini.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

namespace quorrel {

namespace {

bool IsClipNumber(const std::string& number) {
    if (number.empty()) return false;
    for (char ch : number)
        if (ch < '0' || ch > '9') return false;
    return true;
}

} // namespace

void MakeStoreRoot(const std::string& documents) {
    CreateFolder(StoreRoot(documents));
    CreateFolder(DataFolder(documents));
}

void OpenCollectorAtStart(AppState& state) {
    const std::string settings = AppSettingsFile(state.DocumentsPath);
    state.CollectorLabel = ReadINI(settings, "Collector", "Label");
    state.CollectorPath = CollectorsFolder(state.DocumentsPath) + state.CollectorLabel;
    WriteINI(settings, "Collector", "Open", state.CollectorPath);
}

std::vector<std::string> ReadClipIndex(const std::string& collectorPath) {
    const std::string data = collectorPath + P("\\Data");
    if (!FileExists(data)) return {};
    std::vector<std::string> lines = ReadLines(data);
    SetHidden(data);
    return lines;
}

std::string AddClipText(const std::string& collectorPath, const std::string& clipText) {
    const std::string settings = collectorPath + P("\\Settings.ini");
    const std::string t = ReadINI(settings, "Collector", "ClipNumber");
    SetHidden(settings);
    const short n = CInt(t);
    if (n == 32767) throw RuntimeError(ErrOverflow);
    const std::string number = std::to_string(n + 1);

    // Written anew rather than appended: a file left over from an interrupted add (or from a
    // ClipNumber lowered by hand) must not end up holding two clips.
    WriteFileAtomic(collectorPath + P("\\") + number, clipText + "\r\n");

    WriteINI(settings, "Collector", "ClipNumber", number);
    SetHidden(settings);

    const std::string numb = collectorPath + P("\\Numb");
    AppendLine(numb, number);
    SetHidden(numb);
    return number;
}

void IndexClip(const std::string& collectorPath, const std::string& number) {
    const std::string first = ReadFirstLine(collectorPath + P("\\") + number);
    const std::string data = collectorPath + P("\\Data");
    AppendLine(data, number + ") " + first);
    SetHidden(data);
}

std::string ReadClipForClipboard(const std::string& collectorPath, const std::string& number) {
    // The number comes from a list entry read from Data: only a plain number names a clip file,
    // so an edited Data line cannot reach files outside the collector.
    if (!IsClipNumber(number)) throw RuntimeError(ErrBadFileName);
    std::string text;
    for (const std::string& line : ReadLines(collectorPath + P("\\") + number))
        text += line + "\r\n";
    return text;
}

} // namespace quorrel
