#include "Form.h"

#include "Forms.h"
#include "ImageBox.h"
#include "Resources.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace quorrel {

namespace {

QWidget* MakeControl(const ControlLayout& c, QWidget* parent) {
    const QString caption = QString::fromUtf8(c.caption);
    QWidget* w = nullptr;
    switch (c.kind) {
    case Kind::Button: {
        auto* b = new QPushButton(caption, parent);
        b->setAutoDefault(false);
        b->setDefault(c.flags & Default);
        w = b;
        break;
    }
    case Kind::Label: {
        auto* l = new QLabel(caption, parent);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment((c.flags & Centred) ? Qt::AlignHCenter | Qt::AlignTop
                                            : Qt::AlignLeft | Qt::AlignTop);
        if (c.flags & Border) l->setFrameStyle(QFrame::Box | QFrame::Plain);
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
        if (c.flags & Clickable) l->setCursor(Qt::PointingHandCursor);
        w = l;
        break;
    }
    case Kind::TextBox: {
        auto* t = new QLineEdit(parent);
        t->setText(caption);
        t->setMaxLength(std::numeric_limits<int>::max());
        w = t;
        break;
    }
    case Kind::Combo: {
        auto* cb = new QComboBox(parent);
        cb->setEditable(true);
        cb->setInsertPolicy(QComboBox::NoInsert);
        cb->setCompleter(nullptr);
        cb->setMaxVisibleItems(16);
        cb->setEditText(caption);
        w = cb;
        break;
    }
    case Kind::Image:
        w = new ImageBox(parent, c.flags & Stretch, c.flags & Border);
        break;
    case Kind::RichText: {
        auto* r = new QTextEdit(parent);
        r->setAcceptRichText(false);
        w = r;
        break;
    }
    case Kind::FileList:
        w = new QWidget(parent);
        w->setProperty("Path", QString());
        break;
    case Kind::Timer: {
        auto* t = new QTimer(parent);
        t->setObjectName(QString::fromLatin1(c.name));
        t->setInterval(0);
        return nullptr;
    }
    }
    w->setObjectName(QString::fromLatin1(c.name));
    w->setGeometry(Px(c.left), Px(c.top), Px(c.width), Px(c.height));
    if (c.tab < 0) w->setFocusPolicy(Qt::NoFocus);
    if (c.flags & Disabled) w->setEnabled(false);
    if (c.flags & Hidden) w->setVisible(false);
    return w;
}

} // namespace

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
    f.setPointSizeF(8.0);
    QApplication::setFont(f);
}

Form::Form(FormId id, Context& context) : QMainWindow(nullptr), ctx(context), id_(id) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    Build();
}

Form::~Form() = default;

void Form::Build() {
    const WindowLayout& L = Layout();
    setObjectName(QString::fromLatin1(L.name));
    setWindowTitle(QString::fromStdString(L.title));
    setWindowIcon(AppIcon());

    Qt::WindowFlags f = (L.frame == Frame::FixedDialog) ? Qt::Dialog : Qt::Window;
    if (!L.inTaskbar) f = Qt::Tool;
    f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
         Qt::WindowCloseButtonHint;
    if (L.minBox) f |= Qt::WindowMinimizeButtonHint;
    if (L.maxBox) f |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(f);

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);

    for (const MenuLayout& m : L.menus) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QString::fromLatin1(m.name));
        for (const auto& [name, caption] : m.entries) {
            QAction* a = menu->addAction(QString::fromUtf8(caption));
            a->setObjectName(QString::fromLatin1(name));
        }
    }

    std::vector<std::pair<int, QWidget*>> tabbed;
    for (const ControlLayout& c : L.controls) {
        QWidget* w = MakeControl(c, client_);
        if (!w) continue;
        if (c.flags & AutoSize) {
            w->setProperty("autosize", true);
            if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty())
                SetCaption(l, l->text());
        }
        if (c.flags & Clickable) w->setProperty("clickable", true);
        w->installEventFilter(this);
        if (c.tab >= 0) tabbed.emplace_back(c.tab, w);
    }
    std::sort(tabbed.begin(), tabbed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < tabbed.size(); ++i)
        QWidget::setTabOrder(tabbed[i - 1].second, tabbed[i].second);
    if (!tabbed.empty()) tabbed.front().second->setFocus(Qt::OtherFocusReason);

    const int menuPx = L.menus.empty() ? 0 : menuBar()->sizeHint().height();
    chromeHeight_ = menuPx;
    const QSize size(Px(L.clientWidth), Px(L.clientHeight) + menuPx);
    resize(size);
    if (L.frame != Frame::Sizable) setFixedSize(size);

    if (L.centred) {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        move(screen.center() - QPoint(size.width() / 2, size.height() / 2));
    } else {
        setGeometry(Px(L.fixedLeft), Px(L.fixedTop), size.width(), size.height());
    }
}

QAction* Form::Menu(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name));
}

void Form::SetOuterHeight(int twips) {
    // Outer height counts the frame and caption bar, which the window manager adds around us.
    const int frame = frameGeometry().height() - geometry().height();
    if (frame == 0) pendingOuterHeight_ = twips; // fitted again once the frame is known
    const int h = std::max(Px(twips) - frame, chromeHeight_ + 1);
    if (Layout().frame == Frame::Sizable) {
        resize(width(), h);
    } else {
        setFixedSize(width(), h);
    }
}

void Form::SetOuterWidth(int twips) {
    const int frame = frameGeometry().width() - geometry().width();
    if (frame == 0) pendingOuterWidth_ = twips;
    const int w = std::max(Px(twips) - frame, 1);
    if (Layout().frame == Frame::Sizable) {
        resize(w, height());
    } else {
        setFixedSize(w, height());
    }
}

void Form::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    FitFrame();
}

// The window manager frames the window some time after it is first shown (it moves it then).
void Form::FitFrame() {
    if (!pendingOuterHeight_ && !pendingOuterWidth_) return;
    if (!isVisible() || frameGeometry().size() == geometry().size()) return;
    const int h = pendingOuterHeight_, w = pendingOuterWidth_;
    pendingOuterHeight_ = pendingOuterWidth_ = 0;
    if (h) SetOuterHeight(h);
    if (w) SetOuterWidth(w);
}

void Form::closeEvent(QCloseEvent* e) {
    e->accept();
    if (!unloading_) ctx.forms.Unload(id_);
}

bool Form::PressDefault(bool cancel) {
    for (QPushButton* b : client_->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
        const ControlLayout* c = nullptr;
        for (const ControlLayout& x : Layout().controls)
            if (b->objectName() == QLatin1String(x.name)) c = &x;
        if (!c || !(c->flags & (cancel ? Cancel : Default))) continue;
        if (b->isEnabled() && b->isVisible()) b->click();
        return true; // a disabled default button swallows Enter: nothing happens
    }
    return false;
}

bool Form::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease && qobject_cast<QLabel*>(watched)) {
        auto* m = static_cast<QMouseEvent*>(e);
        auto* l = static_cast<QLabel*>(watched);
        if (m->button() == Qt::LeftButton && l->isEnabled() && l->property("clickable").toBool() &&
            l->rect().contains(m->position().toPoint()))
            emit Clicked(l->objectName());
    }
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        const bool esc = k->key() == Qt::Key_Escape;
        if (enter && k->modifiers() == Qt::NoModifier) {
            if (qobject_cast<QTextEdit*>(watched)) return false; // multi-line boxes take Enter
            if (auto* cb = qobject_cast<QComboBox*>(watched); cb && cb->view()->isVisible())
                return false;
            // Enter presses the default button; where a window has none, the focused one.
            if (PressDefault(false)) return true;
            if (auto* b = qobject_cast<QPushButton*>(watched)) {
                if (b->isEnabled()) b->click();
            }
            return true;
        }
        if (esc) {
            if (auto* cb = qobject_cast<QComboBox*>(watched); cb && cb->view()->isVisible())
                return false;
            PressDefault(true);
            return true; // Esc does nothing where no cancel button is marked
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void Form::keyPressEvent(QKeyEvent* k) {
    if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
        k->modifiers() == Qt::NoModifier) {
        PressDefault(false);
        return;
    }
    if (k->key() == Qt::Key_Escape) {
        PressDefault(true);
        return;
    }
    QMainWindow::keyPressEvent(k);
}

void Form::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && !isActiveWindow()) {
        // Moving to another window of the program is not losing the focus, nor is opening one
        // of its menus or lists, which X11 reports as a focus change while the popup takes
        // the keyboard.
        QTimer::singleShot(0, this, [this] {
            if (!unloading_ && isVisible() && QApplication::activeWindow() == nullptr &&
                QApplication::activePopupWidget() == nullptr)
                emit LostFocus();
        });
    }
}

} // namespace quorrel
