#include "QtClipboard.h"

#include <QClipboard>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QMimeData>

namespace quorrel {

QtClipboard::QtClipboard() : cb_(QGuiApplication::clipboard()) {
    // Only the clipboard proper counts: the X11 selection must not.
    connect(cb_, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard) OnSystemNotice();
    });
    lastAnnounced_ = Signature();
}

QByteArray QtClipboard::Signature() {
    const QMimeData* m = cb_->mimeData(QClipboard::Clipboard);
    QCryptographicHash h(QCryptographicHash::Sha1);
    if (m) {
        for (const QString& f : m->formats())
            h.addData(f.toUtf8() + '\n');
        if (m->hasText()) h.addData(m->text().toUtf8());
    }
    return h.result();
}

void QtClipboard::OnSystemNotice() {
    if (writing_ > 0) return; // our own write: announced when it completes
    const QByteArray sig = Signature();
    if (lastWasOwn_ && sig == lastAnnounced_) return; // the late echo of our own change
    lastAnnounced_ = sig;
    lastWasOwn_ = false;
    emit changed();
}

void QtClipboard::Announce() {
    lastAnnounced_ = Signature();
    lastWasOwn_ = true;
    emit changed();
}

void QtClipboard::Clear() {
    ++writing_;
    cb_->clear(QClipboard::Clipboard);
    --writing_;
    Announce();
}

QString QtClipboard::GetText() {
    const QMimeData* m = cb_->mimeData(QClipboard::Clipboard);
    if (!m || !m->hasText()) return QString();
    return m->text();
}

void QtClipboard::SetText(const QString& text) {
    ++writing_;
    cb_->setText(text, QClipboard::Clipboard);
    --writing_;
    Announce();
}

bool QtClipboard::GetFormat() {
    const QMimeData* m = cb_->mimeData(QClipboard::Clipboard);
    return m && m->hasImage();
}

QImage QtClipboard::GetData() {
    const QMimeData* m = cb_->mimeData(QClipboard::Clipboard);
    if (!m || !m->hasImage()) return QImage();
    return qvariant_cast<QImage>(m->imageData());
}

void QtClipboard::SetData(const QImage& picture) {
    ++writing_;
    cb_->setImage(picture, QClipboard::Clipboard);
    --writing_;
    Announce();
}

} // namespace quorrel
