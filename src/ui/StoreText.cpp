#include "StoreText.h"

#include <QStringDecoder>

namespace quorrel {

namespace {

// Windows-1252's 0x80..0x9F; the rest of the range is Latin-1.
constexpr char16_t k1252[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

} // namespace

QString FromStore(const std::string& bytes) {
    // The decoder works only when its result is taken: hasError() is read after that.
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString utf8 = d.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!d.hasError()) return utf8;
    utf8.clear();
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (unsigned char c : bytes)
        out.append(QChar(c >= 0x80 && c < 0xA0 ? k1252[c - 0x80] : char16_t(c)));
    return out;
}

std::string ToStore(const QString& text) {
    return text.toStdString();
}

std::string ClipToStore(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string out;
    out.reserve(static_cast<size_t>(utf8.size()) + static_cast<size_t>(utf8.count('\n')));
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\n' && (i == 0 || utf8[i - 1] != '\r')) out += '\r';
        out += c;
    }
    return out;
}

QString StoreToClip(const std::string& bytes) {
    QString text = FromStore(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QStringList FromStore(const std::vector<std::string>& lines) {
    QStringList out;
    out.reserve(qsizetype(lines.size()));
    for (const std::string& l : lines)
        out.append(FromStore(l));
    return out;
}

} // namespace quorrel
