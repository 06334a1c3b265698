#include "ClipboardRules.h"

#include "platform/PictureBytes.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>

namespace quorrel {

Q_LOGGING_CATEGORY(lcClipboard, "quorrel.clipboard", QtCriticalMsg)

namespace clip {

const std::vector<QByteArray>& TextTargets() {
    static const std::vector<QByteArray> list = {"UTF8_STRING", "text/plain;charset=utf-8",
                                                 "STRING", "TEXT", "text/plain"};
    return list;
}

const std::vector<QByteArray>& PictureTargets() {
    static const std::vector<QByteArray> list = {"image/png",   "image/bmp", "image/jpeg",
                                                 "image/x-bmp", "image/gif", "image/tiff",
                                                 "image/webp"};
    return list;
}

qint64 MaxBytes(const QByteArray& target) {
    const auto in = [&](const std::vector<QByteArray>& list) {
        return std::find(list.begin(), list.end(), target) != list.end();
    };
    if (in(TextTargets())) return kMaxTextBytes;
    if (in(PictureTargets())) return kMaxPictureBytes;
    return kMaxOtherBytes;
}

std::vector<QByteArray> Offered(const std::vector<QByteArray>& wanted,
                                const std::vector<QByteArray>& offered) {
    std::vector<QByteArray> out;
    for (const QByteArray& t : wanted)
        if (std::find(offered.begin(), offered.end(), t) != offered.end()) out.push_back(t);
    return out;
}

bool IsSecretHint(const char* bytes, qsizetype size) {
    return QByteArray::fromRawData(bytes, size) == "secret";
}

void TakeText(ClipContent& content, const QByteArray& type, const char* bytes, qsizetype size) {
    content.hasText = true;
    content.text =
        type == "STRING" ? QString::fromLatin1(bytes, size) : QString::fromUtf8(bytes, size);
}

void TextTooLarge(ClipContent& content, qint64 limit) {
    content.hasText = false;
    content.text.clear();
    content.textProblem =
        QStringLiteral("The text on the Clipboard is too large to keep (more than %1 MB).")
            .arg(limit >> 20);
}

void PictureTooLarge(ClipContent& content) {
    content.picture = QImage();
    content.pictureProblem = QStringLiteral(
        "The picture on the Clipboard is too large to keep (at most 8192 x 8192 pixels).");
}

void TakePicture(ClipContent& content, const char* bytes, qsizetype size) {
    if (PictureCutOff(reinterpret_cast<const unsigned char*>(bytes), size)) {
        content.pictureProblem = QStringLiteral("The picture on the Clipboard is incomplete.");
        return;
    }
    QByteArray raw = QByteArray::fromRawData(bytes, size);
    QBuffer buffer(&raw);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize dims = reader.size();
    if (dims.isValid() && qint64(dims.width()) * dims.height() > kMaxPixels) {
        content.pictureProblem =
            QStringLiteral("The picture on the Clipboard is too large to keep (%1 x %2 "
                           "pixels; at most 8192 x 8192).")
                .arg(dims.width())
                .arg(dims.height());
        return;
    }
    QImage img;
    // A picture is taken whole or not at all: a failed read may leave half an image.
    if (!reader.read(&img)) img = QImage();
    // A 16-bit picture (PNG) is kept as an 8-bit one is, in half the memory.
    if (img.depth() > 32)
        img = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32
                                                        : QImage::Format_RGB32);
    if (!img.isNull())
        content.picture = img;
    else
        content.pictureProblem = QStringLiteral("The picture on the Clipboard cannot be read.");
}

bool KeepWhenOwnerQuits(const ClipContent* lastRead, bool readWhole, bool otherManager) {
    return !otherManager && readWhole && MayHandOver(lastRead);
}

bool MayHandOver(const ClipContent* content) {
    // A copy given up for its size is not held here: keeping it would offer what was not kept.
    return content && !content->secret && content->textProblem.isEmpty();
}

std::vector<QByteArray> Encodings::Targets() const {
    std::vector<QByteArray> list;
    if (content_->hasText) list = TextTargets();
    if (!content_->picture.isNull()) list.insert(list.end(), {"image/png", "image/bmp"});
    return list;
}

Encodings::Bytes Encodings::For(const QByteArray& target) {
    const ClipContent& c = *content_;
    const auto& text = TextTargets();
    if (c.hasText && std::find(text.begin(), text.end(), target) != text.end()) {
        if (target == "STRING") {
            if (!latin1_) latin1_ = std::make_shared<const QByteArray>(c.text.toLatin1());
            return {latin1_, target};
        }
        if (!utf8_) utf8_ = std::make_shared<const QByteArray>(c.text.toUtf8());
        // TEXT leaves the encoding to the owner: it is given as UTF-8, and says so.
        return {utf8_, target == "TEXT" ? QByteArray("UTF8_STRING") : target};
    }
    const bool png = target == "image/png";
    if (c.picture.isNull() || (!png && target != "image/bmp")) return {};
    auto& cache = png ? png_ : bmp_;
    if (!cache) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter w(&buffer, png ? "png" : "bmp");
        if (png) w.setCompression(1); // fast: the reader wants it now
        if (!w.write(c.picture)) {
            qCWarning(lcClipboard) << "cannot encode the picture as" << target << w.errorString();
            return {};
        }
        cache = std::make_shared<const QByteArray>(std::move(bytes));
    }
    return {cache, target};
}

} // namespace clip
} // namespace quorrel
