#include "ControlFactory.h"

#include "ClickableLabel.h"
#include "ImageBox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace quorrel {

namespace {

QLabel* MakeLabel(const ControlLayout& c, const QString& caption, QWidget* parent) {
    QLabel* l =
        (c.flags & Clickable) ? new ClickableLabel(caption, parent) : new QLabel(caption, parent);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment((c.flags & Centred) ? Qt::AlignHCenter | Qt::AlignTop
                                        : Qt::AlignLeft | Qt::AlignTop);
    if (c.flags & Border) {
        l->setFrameStyle(QFrame::Box | QFrame::Plain);
        // The text starts right inside the border: Qt's default indent of an "x" beside a
        // framed label pushed a five-digit clip number over the button next to it.
        l->setIndent(0);
    }
    if (c.flags & Green) {
        l->setAutoFillBackground(true);
        QPalette p = l->palette();
        p.setColor(QPalette::Window, QColor(0, 255, 0));
        l->setPalette(p);
    }
    if (c.flags & WordWrap) l->setWordWrap(true);
    if (c.flags & (Bold12 | Bold975)) {
        QFont f = l->font();
        f.setBold(true);
        f.setPointSizeF((c.flags & Bold12) ? 12.0 : 9.75);
        l->setFont(f);
    }
    return l;
}

QWidget* MakeWidget(const ControlLayout& c, QWidget* parent) {
    const QString caption = QString::fromUtf8(c.caption);
    switch (c.kind) {
    case Kind::Button: {
        auto* b = new QPushButton(caption, parent);
        b->setAutoDefault(false);
        b->setDefault(c.flags & Default);
        return b;
    }
    case Kind::Label:
        return MakeLabel(c, caption, parent);
    case Kind::TextBox: {
        auto* t = new QLineEdit(parent);
        t->setText(caption);
        t->setMaxLength(std::numeric_limits<int>::max());
        return t;
    }
    case Kind::Combo: {
        auto* cb = new QComboBox(parent);
        cb->setEditable(true);
        cb->setInsertPolicy(QComboBox::NoInsert);
        cb->setCompleter(nullptr);
        cb->setMaxVisibleItems(16);
        cb->setEditText(caption);
        return cb;
    }
    case Kind::Image:
        return new ImageBox(parent, c.flags & Stretch, c.flags & Border);
    case Kind::RichText: {
        auto* r = new QTextEdit(parent);
        r->setAcceptRichText(false);
        r->setTabChangesFocus(true); // Tab leaves the box; Ctrl+Tab types a tab
        return r;
    }
    case Kind::FileList: {
        auto* w = new QWidget(parent);
        w->setProperty("Path", QString());
        return w;
    }
    case Kind::Timer:
        break;
    }
    return nullptr;
}

void Store(BindFn bind, void* controls, QObject* made, const char* name) {
    // A row whose kind differs from its member's type: a fault of the tables, found by any test
    // that opens the window.
    if (!bind(controls, made)) qFatal("control %s does not fit its member", name);
}

} // namespace

QObject* MakeControl(const ControlLayout& c, QWidget* parent, void* controls) {
    QObject* made = nullptr;
    if (c.kind == Kind::Timer) {
        auto* t = new QTimer(parent);
        t->setInterval(0);
        made = t;
    } else {
        QWidget* w = MakeWidget(c, parent);
        w->setGeometry(Px(c.left), Px(c.top), Px(c.width), Px(c.height));
        if (auto* l = qobject_cast<QLabel*>(w); l && (c.flags & AutoSize)) {
            l->setProperty("autosize", true);
            if (!l->text().isEmpty()) SetCaption(l, l->text());
        }
        if (c.tab < 0) w->setFocusPolicy(Qt::NoFocus);
        if (c.flags & Disabled) w->setEnabled(false);
        if (c.flags & Hidden) w->setVisible(false);
        made = w;
    }
    made->setObjectName(QString::fromLatin1(c.name));
    Store(c.bind, controls, made, c.name);
    return made;
}

void MakeMenus(QMenuBar* bar, const std::vector<MenuLayout>& menus, void* controls) {
    for (const MenuLayout& m : menus) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QString::fromLatin1(m.name));
        for (const MenuEntry& e : m.entries) {
            QAction* a = menu->addAction(QString::fromUtf8(e.caption));
            a->setObjectName(QString::fromLatin1(e.name));
            Store(e.bind, controls, a, e.name);
        }
    }
}

void SetCaption(QLabel* label, const QString& caption) {
    label->setText(caption);
    if (label->wordWrap()) {
        label->resize(label->width(),
                      std::max(label->height(), label->heightForWidth(label->width())));
    } else if (label->property("autosize").toBool()) {
        label->resize(std::max(label->sizeHint().width(), 1), label->height());
    }
}

void UseDialogFont() {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(7.5);
    QApplication::setFont(f);
}

} // namespace quorrel
