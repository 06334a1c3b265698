#include "X11Clipboard.h"

namespace quorrel {

X11Clipboard::X11Clipboard() : current_(std::make_shared<ClipContent>()) {}

std::unique_ptr<X11Clipboard> X11Clipboard::Connect(qint64 maxTextBytes) {
    std::unique_ptr<X11Clipboard> cb(new X11Clipboard);
    X11Clipboard* self = cb.get();
    cb->x_ = X11Selection::Open(
        nullptr,
        [self](ContentPtr content, std::uint64_t writesBefore) {
            QMetaObject::invokeMethod(
                self, [self, content, writesBefore] { self->Deliver(content, writesBefore); },
                Qt::QueuedConnection);
        },
        maxTextBytes);
    if (!cb->x_) return nullptr;
    // What is on the clipboard at start, when its owner answers quickly; else it comes as a change.
    if (ContentPtr first = cb->x_->Initial(std::chrono::milliseconds(500))) cb->current_ = first;
    return cb;
}

X11Clipboard::~X11Clipboard() {
    x_.reset(); // stops the selection thread before this object goes
}

void X11Clipboard::Deliver(ContentPtr content, std::uint64_t writesBefore) {
    // A read that started before one of the program's own writes is older than that write.
    if (writesBefore != writes_) return;
    if (content == current_) return; // the start-up read, already taken
    current_ = std::move(content);
    emit changed();
}

void X11Clipboard::Write(ContentPtr content) {
    ++writes_;
    if (content)
        x_->Own(content);
    else
        x_->Disown();
    current_ = content ? std::move(content) : std::make_shared<ClipContent>();
    emit changed();
}

void X11Clipboard::Clear() {
    Write(nullptr);
}

QString X11Clipboard::GetText() {
    return current_->text;
}

void X11Clipboard::SetText(const QString& text) {
    auto c = std::make_shared<ClipContent>();
    c->hasText = true;
    c->text = text;
    Write(std::move(c));
}

bool X11Clipboard::GetFormat() {
    return !current_->picture.isNull();
}

QImage X11Clipboard::GetData() {
    return current_->picture;
}

void X11Clipboard::SetData(const QImage& picture) {
    auto c = std::make_shared<ClipContent>();
    c->picture = picture;
    Write(std::move(c));
}

bool X11Clipboard::IsSecret() {
    return current_->secret;
}

QString X11Clipboard::PictureProblem() {
    return current_->pictureProblem;
}

QString X11Clipboard::TextProblem() {
    return current_->textProblem;
}

} // namespace quorrel
