#pragma once
// What every clipboard transport shares (X11 selections, Wayland data-control): the targets
// (MIME types) read and offered, best first; how a content is built from the bytes an owner
// gave; the keep and password rules; the limits and the patience with silent owners. A
// transport only moves bytes: it asks for targets in this order, hands the bytes over here, and
// serves what `Encodings` makes.
#include <QByteArray>
#include <QImage>
#include <QLoggingCategory>
#include <QString>

#include <chrono>
#include <memory>
#include <vector>

namespace quorrel {

// Failed reads, give-ups and ownership changes. Quiet unless asked for, for example with
// QT_LOGGING_RULES="quorrel.clipboard*=true".
Q_DECLARE_LOGGING_CATEGORY(lcClipboard)

// One state of the clipboard, as the program sees it. Never changed once made.
struct ClipContent {
    bool hasText = false;
    QString text;
    QString textProblem; // why text that was offered was not taken (too large); empty otherwise
    QImage picture;
    QString pictureProblem;
    bool secret = false;
};
using ContentPtr = std::shared_ptr<const ClipContent>;

namespace clip {

// How long an owner may stay silent in a transfer before it is given up.
constexpr std::chrono::milliseconds kPatience{2000};
// The second, last try for an owner that was silent the first time.
constexpr std::chrono::milliseconds kPatienceAgain{10000};
// The largest picture kept (an 8K screen fits, and 8192 x 8192).
constexpr qint64 kMaxPixels = qint64(8192) * 8192;
// The most bytes taken for one target: a copy that grows beyond is given up while it arrives,
// so that a program streaming without end cannot take all memory.
constexpr qint64 kMaxTextBytes = qint64(256) << 20;
constexpr qint64 kMaxPictureBytes = kMaxPixels * 4 + (qint64(1) << 20); // an 8192 x 8192 BMP
constexpr qint64 kMaxOtherBytes = qint64(1) << 20;                      // target lists, hints

// The password managers' mark (value "secret"): such a copy is never stored nor kept.
inline constexpr char kPasswordHint[] = "x-kde-passwordManagerHint";
// Target names and MIME types of text, best first; STRING is Latin-1, the others UTF-8.
const std::vector<QByteArray>& TextTargets();
// Picture targets, best first; the program offers its own pictures as the first two.
const std::vector<QByteArray>& PictureTargets();

// The most bytes taken for `target`.
qint64 MaxBytes(const QByteArray& target);
// The targets of `wanted` that `offered` holds, in the order of `wanted`: try them in turn
// until one gives its bytes.
std::vector<QByteArray> Offered(const std::vector<QByteArray>& wanted,
                                const std::vector<QByteArray>& offered);

// Building a content from what an owner gave. `type` is the type the bytes came as (X11) or
// the MIME type asked for (Wayland).
bool IsSecretHint(const char* bytes, qsizetype size);
void TakeText(ClipContent& content, const QByteArray& type, const char* bytes, qsizetype size);
void TakePicture(ClipContent& content, const char* bytes, qsizetype size);
// A text or picture given up because it grew beyond MaxBytes().
void TextTooLarge(ClipContent& content, qint64 limit = kMaxTextBytes);
void PictureTooLarge(ClipContent& content);

// The copy of an owner that quit is kept when it was read whole, is no password and was not given
// up for its size, unless another clipboard manager keeps copies.
bool KeepWhenOwnerQuits(const ClipContent* lastRead, bool readWhole, bool otherManager);
// A copy handed over by a quitting program (clipboard manager handover) is kept on the same terms.
bool MayHandOver(const ClipContent* content);

// What the program serves of its own content: the targets offered and their bytes, each
// encoding made on first request and kept for the next reader.
class Encodings {
  public:
    explicit Encodings(ContentPtr content) : content_(std::move(content)) {}
    const ContentPtr& Content() const { return content_; }
    // The targets offered, best first (without the transport's own, such as TARGETS).
    std::vector<QByteArray> Targets() const;
    struct Bytes {
        std::shared_ptr<const QByteArray> data; // null when the target is not offered
        QByteArray type;                        // what the bytes are announced as
    };
    Bytes For(const QByteArray& target);

  private:
    ContentPtr content_;
    std::shared_ptr<const QByteArray> utf8_, latin1_, png_, bmp_;
};

} // namespace clip
} // namespace quorrel
