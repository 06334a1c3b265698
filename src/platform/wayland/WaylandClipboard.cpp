#include "WaylandClipboard.h"

#include <QImageReader>

namespace quorrel {

WaylandClipboard::WaylandClipboard() : current_(std::make_shared<ClipContent>()) {}

std::unique_ptr<WaylandClipboard> WaylandClipboard::Connect() {
    std::unique_ptr<WaylandClipboard> cb(new WaylandClipboard);
    // Pictures as large as an 8K screen are read (Qt refuses more than 128 MB by default); the
    // pixel limit of the reader says what is too large.
    QImageReader::setAllocationLimit(
        std::max(QImageReader::allocationLimit(), int(clip::kMaxPixels * 4 / (1 << 20))));
    WaylandClipboard* self = cb.get();
    cb->w_ = WaylandSelection::Open([self](ContentPtr content, std::uint64_t writesBefore) {
        QMetaObject::invokeMethod(
            self, [self, content, writesBefore] { self->Deliver(content, writesBefore); },
            Qt::QueuedConnection);
    });
    if (!cb->w_) return nullptr;
    // What is on the clipboard at start, when its owner answers quickly; else it comes as a change.
    if (ContentPtr first = cb->w_->Initial(std::chrono::milliseconds(500))) cb->current_ = first;
    return cb;
}

WaylandClipboard::~WaylandClipboard() {
    w_.reset(); // stops the selection thread before this object goes
}

void WaylandClipboard::Deliver(ContentPtr content, std::uint64_t writesBefore) {
    // A read that started before one of the program's own writes is older than that write.
    if (writesBefore != writes_) return;
    if (content == current_) return; // the start-up read, already taken
    current_ = std::move(content);
    emit changed();
}

void WaylandClipboard::Write(ContentPtr content) {
    ++writes_;
    if (content)
        w_->Own(content);
    else
        w_->Disown();
    current_ = content ? std::move(content) : std::make_shared<ClipContent>();
    emit changed();
}

void WaylandClipboard::Clear() {
    Write(nullptr);
}

QString WaylandClipboard::GetText() {
    return current_->text;
}

void WaylandClipboard::SetText(const QString& text) {
    auto c = std::make_shared<ClipContent>();
    c->hasText = true;
    c->text = text;
    Write(std::move(c));
}

bool WaylandClipboard::GetFormat() {
    return !current_->picture.isNull();
}

QImage WaylandClipboard::GetData() {
    return current_->picture;
}

void WaylandClipboard::SetData(const QImage& picture) {
    auto c = std::make_shared<ClipContent>();
    c->picture = picture;
    Write(std::move(c));
}

bool WaylandClipboard::IsSecret() {
    return current_->secret;
}

QString WaylandClipboard::PictureProblem() {
    return current_->pictureProblem;
}

QString WaylandClipboard::TextProblem() {
    return current_->textProblem;
}

} // namespace quorrel
