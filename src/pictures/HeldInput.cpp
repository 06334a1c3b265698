#include "HeldInput.h"

#include <QCoreApplication>
#include <QEvent>

namespace quorrel {

HeldInput::HeldInput(BusyPointer& busy) : busy_(busy) {
    QCoreApplication::instance()->installEventFilter(this);
}

HeldInput::~HeldInput() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool HeldInput::eventFilter(QObject*, QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::KeyPress:
    case QEvent::Shortcut:
        return true;
    default:
        // Key releases pass: the key policy notes them to tell a held key from a new press.
        return false;
    }
}

} // namespace quorrel
