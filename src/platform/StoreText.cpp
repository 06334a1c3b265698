#include "StoreText.h"

#include <QStringDecoder>

namespace quorrel {

namespace {

bool IsValidUtf8(const std::string& s) {
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)d.decode(QByteArrayView(s.data(), qsizetype(s.size())));
    return !d.hasError();
}

// Windows-1252's 0x80..0x9F; the rest of the range is Latin-1.
constexpr char16_t k1252[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

} // namespace

QString FromStore(const std::string& bytes) {
    if (IsValidUtf8(bytes)) return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    QString out;
    out.reserve(qsizetype(bytes.size()));
    for (unsigned char c : bytes)
        out.append(QChar(c >= 0x80 && c < 0xA0 ? k1252[c - 0x80] : char16_t(c)));
    return out;
}

std::string ToStore(const QString& text) {
    return text.toStdString();
}

QStringList FromStore(const std::vector<std::string>& lines) {
    QStringList out;
    out.reserve(qsizetype(lines.size()));
    for (const std::string& l : lines)
        out.append(FromStore(l));
    return out;
}

} // namespace quorrel
