#include "core/Ini.h"

#include "core/FileAttr.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

#include <cstddef>

namespace quorrel {

namespace {

const std::string kCrLf = "\r\n";

// ASCII only, so that the lowered text keeps the positions of the original.
std::string Lower(std::string s) {
    for (char& ch : s)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return s;
}

// 1-based position of needle in hay at or after start; 0 when absent.
size_t InStr(size_t start, const std::string& hay, const std::string& needle) {
    if (start == 0 || start > hay.size() + 1) return 0;
    const size_t at = hay.find(needle, start - 1);
    return at == std::string::npos ? 0 : at + 1;
}

// A settings file holds a few short lines; one larger than this is not one the program wrote,
// and rewriting it would cost more than it is worth.
constexpr size_t kMaxSettingsBytes = 1 << 20;

// A missing file reads as the empty text; a missing folder is still "Path not found".
std::string ReadSettings(const std::string& file) {
    try {
        return ReadText(file);
    } catch (const RuntimeError& e) {
        if (e.number == ErrFileNotFound) return {};
        throw;
    }
}

std::string Left(const std::string& s, size_t n) {
    return s.substr(0, n < s.size() ? n : s.size());
}

// From 1-based character start to the end.
std::string Mid(const std::string& s, size_t start) {
    return start - 1 < s.size() ? s.substr(start - 1) : std::string();
}

std::string ReplaceAll(const std::string& s, const std::string& what, const std::string& with) {
    std::string out;
    size_t from = 0;
    for (size_t at; (at = s.find(what, from)) != std::string::npos; from = at + what.size())
        out.append(s, from, at - from).append(with);
    out.append(s, from, std::string::npos);
    return out;
}

bool IsLineEndOrControl(char ch) {
    return static_cast<unsigned char>(ch) <= 13;
}

void DropTrailingBrackets(std::string& c) {
    c.resize(c.size() - 2);
}

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

} // namespace

std::string IniGet(const std::string& content, const std::string& section, const std::string& key) {
    // Appended, not "[" + ...: GCC 12 warns falsely (-Wrestrict) on that form when optimising.
    const std::string header = std::string("[").append(Lower(section)).append("]");
    const std::string k = Lower(key) + "=";
    bool in = false;
    for (const std::string& line : SplitLines(content)) {
        const std::string low = Lower(line);
        const bool bracket = low.find('[') != std::string::npos;
        if (bracket) in = false;
        if (low == header) in = true;
        if (bracket || !in) continue;
        if (low.compare(0, k.size(), k) == 0) return line.substr(k.size());
    }
    return {};
}

std::string IniSet(const std::string& content, const std::string& section, const std::string& key,
                   const std::string& value) {
    const std::string tag = std::string("\r\n[").append(Lower(section)).append("]\r");
    const std::string keyTag = std::string("\n").append(Lower(key)).append("=");

    // The leading line end lets a header on the first line match tag; the trailing "[" ends
    // every section.
    std::string c = kCrLf + content + "[]";
    const std::string low = Lower(c);

    const size_t p = InStr(1, low, tag);
    if (p > 0) {
        const size_t body = p + tag.size(); // the LF that ends the header line
        const size_t next = InStr(body, low, "[");
        const size_t q = InStr(p, low, keyTag);
        DropTrailingBrackets(c);
        if (q == 0 || q > next) {
            c = Left(c, body) + key + "=" + value + kCrLf + Mid(c, body + 1);
        } else {
            const size_t e = InStr(q, c, "\r");
            // A hand-edited last line without a line end is replaced to the end of the file.
            c = Left(c, q) + key + "=" + value + (e == 0 ? std::string() : Mid(c, e));
        }
    } else {
        DropTrailingBrackets(c);
        c += kCrLf + kCrLf + "[" + section + "]" + kCrLf + key + "=" + value;
    }

    c.erase(0, 1);
    const std::string run = kCrLf + kCrLf + kCrLf;
    while (c.find(run) != std::string::npos)
        c = ReplaceAll(c, run, kCrLf + kCrLf);
    while (!c.empty() && IsLineEndOrControl(c.back()))
        c.pop_back();
    size_t lead = 0;
    while (lead < c.size() && IsLineEndOrControl(c[lead]))
        ++lead;
    c.erase(0, lead);
    return c + kCrLf;
}

std::string ReadINI(const std::string& file, const std::string& section, const std::string& key) {
    // Reading never writes: a read-only file, folder or disk reads as well as any.
    return IniGet(ReadSettings(file), section, key);
}

void WriteINI(const std::string& file, const std::string& section, const std::string& key,
              const std::string& value) {
    WriteINIKeys(file, section, {{key, value}});
}

void WriteINIKeys(const std::string& file, const std::string& section,
                  const std::vector<std::pair<std::string, std::string>>& keys) {
    const std::string old = ReadSettings(file);
    if (old.size() > kMaxSettingsBytes)
        throw RuntimeError(ErrOverflow, DescriptionOf(ErrOverflow) + ": '" + file +
                                            "' is larger than a settings file may be (1 MB), "
                                            "so it is left unchanged. Shorten or remove it.");
    std::string c = old;
    for (const auto& [key, value] : keys)
        c = IniSet(c, section, key, value);
    // Nothing to change (the same value again): nothing is written.
    if (c == old && EntryExists(file)) return;
    WriteFileAtomic(file, c);
    // The new file replaced the old one and with it its attributes.
    SetArchiveOnly(file);
}

std::string SplitString(const std::string& text, const std::string& delimiter,
                        const std::string& part) {
    if (text.empty()) return "Err5";
    const size_t at = delimiter.empty() ? std::string::npos : text.find(delimiter);
    if (at == std::string::npos) return "Err2";
    if (part == "F") {
        std::string r = text.substr(0, at);
        return r.empty() ? "Err3" : r;
    }
    if (part == "B") {
        // Everything behind the first character of the delimiter.
        std::string r = text.substr(at + 1);
        return r.empty() ? "Err4" : r;
    }
    return "Err1";
}

short CInt(const std::string& text) {
    size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i]))
        ++i;
    while (end > i && IsBlank(text[end - 1]))
        --end;

    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    // Saturates well above the range, so that long digit runs cannot wrap.
    long whole = 0;
    size_t digits = 0;
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        if (whole < 1000000) whole = whole * 10 + (text[i] - '0');

    // Fraction: only how it compares with one half matters.
    int half = -1; // -1 below, 0 exactly, +1 above one half
    if (i < end && text[i] == '.') {
        ++i;
        bool first = true;
        for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
            const int d = text[i] - '0';
            if (first) {
                half = d > 5 ? 1 : d == 5 ? 0 : -1;
                first = false;
            } else if (half == 0 && d != 0) {
                half = 1;
            }
        }
    }
    if (digits == 0 || i != end) throw RuntimeError(ErrTypeMismatch);

    if (half > 0 || (half == 0 && whole % 2 != 0)) ++whole;
    const long value = negative ? -whole : whole;
    if (value < -32768 || value > 32767) throw RuntimeError(ErrOverflow);
    return static_cast<short>(value);
}

} // namespace quorrel
