#include "platform/SelectionClipboard.h"

namespace quorrel {

SelectionClipboard::SelectionClipboard() : current_(std::make_shared<ClipContent>()) {}

std::function<void(ContentPtr, std::uint64_t)> SelectionClipboard::Notices() {
    return [this](ContentPtr content, std::uint64_t writesBefore) {
        QMetaObject::invokeMethod(
            this, [this, content, writesBefore] { Deliver(content, writesBefore); },
            Qt::QueuedConnection);
    };
}

void SelectionClipboard::TakeFirst(ContentPtr first) {
    if (first) current_ = std::move(first);
}

void SelectionClipboard::Deliver(ContentPtr content, std::uint64_t writesBefore) {
    // A read that started before one of the program's own writes is older than that write.
    if (writesBefore != writes_) return;
    if (content == current_) return; // the start-up read, already taken
    current_ = std::move(content);
    emit changed();
}

void SelectionClipboard::Write(ContentPtr content) {
    ++writes_;
    if (content)
        Own(content);
    else
        Disown();
    current_ = content ? std::move(content) : std::make_shared<ClipContent>();
    emit changed();
}

void SelectionClipboard::Clear() {
    Write(nullptr);
}

QString SelectionClipboard::GetText() {
    return current_->text;
}

void SelectionClipboard::SetText(const QString& text) {
    auto c = std::make_shared<ClipContent>();
    c->hasText = true;
    c->text = text;
    Write(std::move(c));
}

bool SelectionClipboard::GetFormat() {
    return !current_->picture.isNull();
}

QImage SelectionClipboard::GetData() {
    return current_->picture;
}

void SelectionClipboard::SetData(const QImage& picture) {
    auto c = std::make_shared<ClipContent>();
    c->picture = picture;
    Write(std::move(c));
}

bool SelectionClipboard::IsSecret() {
    return current_->secret;
}

QString SelectionClipboard::PictureProblem() {
    return current_->pictureProblem;
}

QString SelectionClipboard::TextProblem() {
    return current_->textProblem;
}

} // namespace quorrel
