#include "core/Store.h"

#include "core/FileAttr.h"
#include "core/Ini.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

#include <cstdint>
#include <functional>
#include <optional>

#include <unistd.h>

namespace quorrel {

namespace {

const char* const kSection = "Collector";
const char* const kClipNumber = "ClipNumber";

bool IsClipNumber(const std::string& number) {
    if (number.empty()) return false;
    for (char ch : number)
        if (ch < '0' || ch > '9') return false;
    return true;
}

// A Numb line as a number; anything else is 0. Saturates, so a long run of digits stays large.
long NumberOf(const std::string& line) {
    if (!IsClipNumber(line)) return 0;
    long n = 0;
    for (char ch : line)
        n = n < 1000000 ? n * 10 + (ch - '0') : n;
    return n;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// A line of the file fits: the last line is looked at first, the whole file only when that
// one does not fit.
bool AnyLine(const std::string& path, const std::function<bool(const std::string&)>& fits) {
    const std::optional<std::string> last = LastLine(path);
    if (!last) return false;
    if (fits(*last)) return true;
    for (const std::string& line : ReadLines(path))
        if (fits(line)) return true;
    return false;
}

bool ListedInNumb(const std::string& numb, const std::string& number) {
    return AnyLine(numb, [&](const std::string& line) { return line == number; });
}

bool ListedInData(const std::string& data, const std::string& number) {
    const std::string entry = number + ") ";
    return AnyLine(data, [&](const std::string& line) { return StartsWith(line, entry); });
}

bool IsRealFolder(const std::string& path) {
    return FolderExists(path) && !IsLink(path);
}

// A file appended to by a command that then failed is cut back; one it created is removed.
struct AppendUndo {
    std::string path;
    bool existed = false;
    std::optional<std::uint64_t> oldLength;
    void Undo() const noexcept {
        if (!oldLength) return;
        try {
            if (existed)
                TruncateFile(path, *oldLength);
            else
                ::unlink(path.c_str());
        } catch (const RuntimeError&) {
            // Left to the next start: a line that is not whole is cut off there.
        }
    }
};

bool IsPictureFile(const std::string& pix, int n) {
    const std::string path = InFolder(pix, std::to_string(n) + ".jpg");
    return FileExists(path) && !IsLink(path);
}

// The pictures' temporary files go; a settings file left empty by a first picture that a full
// disk cut short (in earlier versions) is written again from the pictures present, so that
// adding pictures works again. A picture written whole right after the last one counted, with
// PicNum not yet raised, is an Add that a crash interrupted: it is finished (PicNum raised), as
// an interrupted Add To Collector of a clip is, since the picture is complete (it was renamed
// into place whole) and the user asked for it to be kept.
void RecoverPictures(const std::string& collectorPath) {
    const std::string pix = InFolder(collectorPath, "Pix");
    if (!IsRealFolder(pix)) return;
    RemoveLeftovers(pix);
    const std::string settings = InFolder(pix, "Settings.ini");
    const std::string content = EntryExists(settings) ? ReadText(settings) : std::string();
    int count = 0;
    if (!content.empty()) {
        try {
            count = CInt(IniGet(content, kSection, "PicNum"));
        } catch (const RuntimeError&) {
            return; // no usable number: Add reports it
        }
        if (count < 0 || count >= 15 || !IsPictureFile(pix, count + 1)) return;
    }
    const int counted = count;
    while (count < 15 && IsPictureFile(pix, count + 1))
        ++count;
    if (content.empty() || count != counted)
        WriteINI(settings, kSection, "PicNum", std::to_string(count));
}

} // namespace

void MakeStoreRoot(const std::string& documents) {
    try {
        CreateFolder(StoreRoot(documents));
    } catch (const RuntimeError& e) {
        if (e.number != ErrPermissionDenied) throw;
        throw RuntimeError(ErrPermissionDenied,
                           DescriptionOf(ErrPermissionDenied) + ": the documents folder '" +
                               documents +
                               "' cannot be written, so the collectors cannot be "
                               "kept in it ('" +
                               StoreRoot(documents) +
                               "'). Make it writable for you, or choose another documents "
                               "folder (XDG_DOCUMENTS_DIR in ~/.config/user-dirs.dirs).");
    }
    try {
        CreateFolder(DataFolder(documents));
    } catch (const RuntimeError&) {
        // A root without its data folder would make every later start fail.
        ::rmdir(StoreRoot(documents).c_str());
        throw;
    }
}

std::string LabelProblem(const std::string& documents, const std::string& label) {
    if (label.empty()) return {};
    const bool separator = label.find_first_of(std::string("/\\") + Sep) != std::string::npos;
    if (separator || label == "." || label == ".." || IsLink(CollectorsFolder(documents) + label))
        return "The collector named in the settings, '" + label +
               "', is not a folder of the collectors folder, so no collector is open. Open or "
               "create one from the File menu.";
    return {};
}

std::string OpenCollectorAtStart(AppState& state) {
    const std::string settings = AppSettingsFile(state.DocumentsPath);
    const std::string label = ReadINI(settings, kSection, "Label");
    std::string problem = LabelProblem(state.DocumentsPath, label);
    state.CollectorLabel = problem.empty() ? label : std::string();
    state.CollectorPath = CollectorsFolder(state.DocumentsPath) + state.CollectorLabel;
    // The collector opens even when the rewrite or a repair fails (a full disk): its clips can
    // still be read. Nothing reads Open back, so settings this user may read but not write
    // (or too large to rewrite) start quietly; a full disk is told.
    try {
        WriteINI(settings, kSection, "Open", state.CollectorPath);
    } catch (const RuntimeError& e) {
        if (problem.empty() && e.number != ErrPermissionDenied && e.number != ErrOverflow)
            problem = e.Message();
    }
    try {
        RecoverCollectorsFolder(state.DocumentsPath);
        if (!state.CollectorLabel.empty()) RecoverCollector(state.CollectorPath);
    } catch (const RuntimeError& e) {
        if (problem.empty()) problem = e.Message();
    }
    return problem;
}

void RecoverCollector(const std::string& collectorPath) {
    if (!IsRealFolder(collectorPath)) return;
    RemoveLeftovers(collectorPath);
    RecoverPictures(collectorPath);

    const std::string numb = InFolder(collectorPath, "Numb");
    const std::string data = InFolder(collectorPath, "Data");
    const std::string settings = InFolder(collectorPath, "Settings.ini");

    // The clip an Add was storing: the one numbered ClipNumber, when its file is there.
    short n = 0;
    if (EntryExists(settings)) {
        try {
            n = CInt(IniGet(ReadText(settings), kSection, kClipNumber));
        } catch (const RuntimeError&) {
            n = 0; // no usable number: Add reports it
        }
    }
    const std::string number = std::to_string(n);
    const std::string clip = collectorPath + P("\\") + number;
    const bool clipStored = n >= 1 && !IsLink(clip) && FileExists(clip);
    const std::string first = clipStored ? ReadFirstLine(clip) : std::string();

    // Only what that Add's appends left after the last line end goes; any other last line stays.
    if (RepairLastLine(numb, clipStored ? number : std::string())) SetHidden(numb);
    if (RepairLastLine(data, clipStored ? number + ") " + first : std::string())) SetHidden(data);
    if (!clipStored) return;

    // An Add cut short after ClipNumber was raised: its clip gets the index lines it lacks.
    // Only where the index ends with the clip before (or is empty for clip 1): anything else was
    // not left by an add and is not guessed at.
    const std::string before = std::to_string(n - 1);
    const std::optional<std::string> lastNumb = LastLine(numb);
    if (lastNumb ? *lastNumb == before : n == 1) {
        AppendLine(numb, number);
        SetHidden(numb);
    }
    // Data gets its line only after Numb has it, as Add writes them.
    const std::optional<std::string> lastData = LastLine(data);
    if (LastLine(numb) == number && (lastData ? StartsWith(*lastData, before + ") ") : n == 1)) {
        AppendLine(data, number + ") " + first);
        SetHidden(data);
    }
}

void RecoverCollectorsFolder(const std::string& documents) {
    const std::string folder = CollectorsFolder(documents);
    if (!IsRealFolder(folder)) return;
    RemoveLeftovers(folder);
}

std::vector<std::string> ReadClipIndex(const std::string& collectorPath) {
    // Reading leaves the file's attributes as they are: a read-only Data reads as any.
    const std::string data = InFolder(collectorPath, "Data");
    if (!EntryExists(data)) return {};
    return ReadLines(data);
}

std::string AddClip(const std::string& collectorPath, const std::string& clipText) {
    const std::string settings = InFolder(collectorPath, "Settings.ini");
    const std::string t = ReadINI(settings, kSection, kClipNumber);
    const short n = CInt(t);
    if (n == 32767) throw RuntimeError(ErrOverflow);
    // A number below 0 (a hand edit) would name a clip file no list entry can choose.
    if (n < 0)
        throw RuntimeError(ErrBadFileName, DescriptionOf(ErrBadFileName) +
                                               ": the collector's ClipNumber (" + t +
                                               ") is below 0. Nothing was added.");
    const std::string number = std::to_string(n + 1);
    const std::string clip = collectorPath + P("\\") + number;
    const std::string numb = InFolder(collectorPath, "Numb");
    const std::string data = InFolder(collectorPath, "Data");

    // Never over a stored clip. Numbers only grow, so a last Numb line at or above the new
    // number shows a ClipNumber lowered by hand; a clip file already there is looked up in the
    // indexes (a file listed nowhere is left from an interrupted add and is replaced).
    const std::optional<std::string> lastListed = LastLine(numb);
    bool stored = lastListed && NumberOf(*lastListed) >= n + 1;
    if (!stored && EntryExists(clip)) {
        RefuseLink(clip);
        stored = ListedInNumb(numb, number) || ListedInData(data, number);
    }
    if (stored)
        throw RuntimeError(ErrFileExists, DescriptionOf(ErrFileExists) + ": clip " + number +
                                              " is stored already; the collector's ClipNumber (" +
                                              t + ") is lower than its clips. Nothing was added.");

    // A file that cannot be written is found before anything is written, and named.
    for (const std::string& file : {settings, numb, data, clip})
        CheckWritable(file);

    // A settings file that would keep the old number (a second [Collector] section behind a
    // line the program cannot find) would make the next add meet this clip again.
    const std::string oldSettings = ReadText(settings);
    if (IniGet(IniSet(oldSettings, kSection, kClipNumber, number), kSection, kClipNumber) != number)
        throw RuntimeError(ErrPathFileAccess,
                           DescriptionOf(ErrPathFileAccess) +
                               ": the collector's Settings.ini does not take a new ClipNumber "
                               "(its [Collector] line is not on a line of its own). Nothing was "
                               "added.");

    // A clip that starts with U+FEFF would lose it to the reader, which takes a leading one for
    // the file's byte-order mark: it gets a mark of its own in front.
    const bool marked = clipText.compare(0, 3, "\xEF\xBB\xBF") == 0;
    WriteFileAtomic(clip, (marked ? "\xEF\xBB\xBF" : "") + clipText + "\r\n");
    bool settingsWritten = false;
    AppendUndo numbUndo{numb, EntryExists(numb), {}};
    AppendUndo dataUndo{data, EntryExists(data), {}};
    try {
        WriteINI(settings, kSection, kClipNumber, number);
        settingsWritten = true;
        SetHidden(settings);
        numbUndo.oldLength = AppendLine(numb, number);
        SetHidden(numb);
        const std::string first = ReadFirstLine(clip);
        dataUndo.oldLength = AppendLine(data, number + ") " + first);
        SetHidden(data);
    } catch (const RuntimeError&) {
        // Put every file back as it was, the clip file first: removing it frees room on a full
        // disk for the settings file's rewrite.
        dataUndo.Undo();
        numbUndo.Undo();
        ::unlink(clip.c_str());
        if (settingsWritten) {
            try {
                WriteFileAtomic(settings, oldSettings);
                SetHidden(settings);
            } catch (const RuntimeError&) {
                // ClipNumber stays raised with no clip behind it: the next add skips a number.
            }
        }
        throw;
    }
    return number;
}

std::string ReadClipForClipboard(const std::string& collectorPath, const std::string& number) {
    // The number comes from a list entry read from Data: only a plain number names a clip file,
    // so an edited Data line cannot reach files outside the collector.
    if (!IsClipNumber(number)) throw RuntimeError(ErrBadFileName);
    return ClipOfFile(ReadText(collectorPath + P("\\") + number));
}

std::string ReadClipHead(const std::string& collectorPath, const std::string& number,
                         std::size_t maxBytes) noexcept {
    if (!IsClipNumber(number)) return {};
    try {
        return ReadHead(collectorPath + P("\\") + number, maxBytes);
    } catch (...) {
        return {}; // gone or unreadable: found by its list entry only
    }
}

std::string ClipOfFile(std::string bytes) {
    // Storing appended one line end; a pasted command must not run at once in a terminal.
    if (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0)
        bytes.resize(bytes.size() - 2);
    return bytes;
}

} // namespace quorrel
