#include "KeyPolicy.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextEdit>

namespace quorrel {

namespace {

bool IsEnter(const QKeyEvent* k) {
    return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
}

// The modifiers the user holds; the keypad's Enter counts as Enter.
Qt::KeyboardModifiers Held(const QKeyEvent* k) {
    return k->modifiers() & ~Qt::KeypadModifier;
}

bool OpenList(QObject* watched) {
    auto* cb = qobject_cast<QComboBox*>(watched);
    return cb && cb->view()->isVisible();
}

} // namespace

void KeyPolicy::NoteRelease(const QKeyEvent* k) {
    releasedKey_ = k->key();
    releasedAt_ = k->timestamp();
}

// A press the server made because the key is held down. X11 sends each repeat as a release and a
// press, each stamped when it is made; Qt marks the pair only when both have arrived together,
// so a press that follows the release of its key within 30 ms (faster than any hand, slower
// than a busy server between the two) counts as a repeat as well.
bool KeyPolicy::IsRepeat(const QKeyEvent* k) const {
    if (k->isAutoRepeat()) return true;
    return k->timestamp() != 0 && k->key() == releasedKey_ && k->timestamp() >= releasedAt_ &&
           k->timestamp() - releasedAt_ <= 30;
}

// An access key (Alt + letter) repeated while held: it presses its button once, not once per
// repeat, so a held key never runs a command (Add to Collector) again and again.
bool KeyPolicy::RepeatedAccessKey(const QKeyEvent* k) const {
    return (Held(k) & Qt::AltModifier) && k->key() != Qt::Key_Alt && IsRepeat(k);
}

bool KeyPolicy::Handle(QObject* watched, QKeyEvent* k, QPushButton* defaultButton,
                       QPushButton* cancelButton) {
    if (k->type() == QEvent::ShortcutOverride) {
        // Taken here, the repeat never reaches the shortcut; its key press is dropped below.
        if (!RepeatedAccessKey(k)) return false;
        k->accept();
        return true;
    }
    if (RepeatedAccessKey(k)) return true;
    // A focused button takes no repeated key: a held Space clicks it once, where the repeats
    // would otherwise press it down again for each of their releases to click.
    if (qobject_cast<QPushButton*>(watched) && IsRepeat(k)) return true;
    auto* box = qobject_cast<QTextEdit*>(watched);
    if (box && k->key() == Qt::Key_Tab && Held(k) == Qt::ControlModifier) {
        box->insertPlainText(QStringLiteral("\t")); // Tab itself moves the focus on
        return true;
    }
    if (IsEnter(k) && Held(k) == Qt::ControlModifier && box) {
        box->insertPlainText(QStringLiteral("\n"));
        return true;
    }
    if (IsEnter(k) && Held(k) == Qt::NoModifier) {
        if (OpenList(watched)) return false;
        // Enter presses the focused button, else the default one. A text box of a window
        // without a default button takes Enter as a line break.
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button) button = defaultButton;
        if (!button) return !box;
        if (IsRepeat(k)) return true; // a held Enter presses once
        // A disabled default button swallows Enter: nothing happens.
        if (button->isEnabled() && button->isVisible()) button->click();
        return true;
    }
    if (k->key() == Qt::Key_Escape && Held(k) == Qt::NoModifier) {
        if (OpenList(watched)) return false;
        if (cancelButton && !IsRepeat(k) && cancelButton->isEnabled() && cancelButton->isVisible())
            cancelButton->click();
        return true; // Esc does nothing where no cancel button is marked
    }
    return false;
}

} // namespace quorrel
