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
#include <QWindow>

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
        r->setTabChangesFocus(true); // Tab leaves the box; Ctrl+Tab types a tab
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
    f.setPointSizeF(7.5);
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
    // Labels and images are painted on the window itself, under every other control, which
    // shows whole and takes the click where a label grown to its text reaches it. Lowered last
    // first, they keep their order among themselves.
    for (auto c = L.controls.rbegin(); c != L.controls.rend(); ++c)
        if (c->kind == Kind::Label || c->kind == Kind::Image)
            if (auto* w = Ctl<QWidget>(c->name)) w->lower();
    std::sort(tabbed.begin(), tabbed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < tabbed.size(); ++i)
        QWidget::setTabOrder(tabbed[i - 1].second, tabbed[i].second);
    if (!tabbed.empty()) tabbed.front().second->setFocus(Qt::OtherFocusReason);

    const int menuPx = L.menus.empty() ? 0 : menuBar()->sizeHint().height();
    chromeHeight_ = menuPx;
    const QSize size(Px(L.clientWidth), Px(L.clientHeight) + menuPx);
    resize(size);
    asked_ = size;
    if (L.frame != Frame::Sizable) setFixedSize(size);

    if (L.centred) {
        centrePending_ = true;
        Centre(size);
    } else {
        setGeometry(Px(L.fixedLeft), Px(L.fixedTop), size.width(), size.height());
    }
}

// Centred on the screen with the frame the window manager gives it, as far as that is known
// yet; a window larger than the screen stands at its top left corner.
// The size is the one last asked for: a shown window learns its new size only later.
void Form::Centre(QSize client) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize outer = client + (frameGeometry().size() - geometry().size());
    move(area.left() + std::max(0, (area.width() - outer.width()) / 2),
         area.top() + std::max(0, (area.height() - outer.height()) / 2));
}

QAction* Form::Menu(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name));
}

void Form::SetOuterHeight(int twips) {
    outerHeight_ = twips;
    ApplyOuterSize();
}

void Form::SetOuterWidth(int twips) {
    outerWidth_ = twips;
    ApplyOuterSize();
}

// The outer size counts the frame and caption bar, which the window manager adds around the
// window: applied again whenever the frame changes (it is known only once the window is shown).
void Form::ApplyOuterSize() {
    const QSize frame = frameGeometry().size() - geometry().size();
    framed_ = frame;
    QSize client = asked_;
    if (outerHeight_)
        client.setHeight(std::max(Px(outerHeight_) - frame.height(), chromeHeight_ + 1));
    if (outerWidth_) client.setWidth(std::max(Px(outerWidth_) - frame.width(), 1));
    if (Layout().frame == Frame::Sizable) {
        resize(client);
    } else {
        setFixedSize(client);
    }
    asked_ = client;
    if (centrePending_) Centre(client); // a window that starts centred is centred at its load size
}

void Form::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    FitFrame();
}

void Form::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    // The window manager frames the window some time after it is first shown: it moves it then,
    // or (for a window at a fixed place) only exposes it.
    if (QWindow* handle = windowHandle(); handle && !watchingHandle_) {
        watchingHandle_ = true;
        handle->installEventFilter(this);
    }
    FitFrame(); // where the frame is known at once
}

// Once the frame is known: the outer sizes asked for at load, then the centred place.
void Form::FitFrame() {
    if (!isVisible()) return;
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty() || frame == framed_) return;
    ApplyOuterSize();
    if (centrePending_) {
        Centre(asked_);
        centrePending_ = false;
    }
}

void Form::closeEvent(QCloseEvent* e) {
    e->accept();
    if (!unloading_) ctx.forms.Unload(id_);
}

QPushButton* Form::MarkedButton(bool cancel) const {
    for (const ControlLayout& c : Layout().controls)
        if (c.kind == Kind::Button && (c.flags & (cancel ? Cancel : Default)))
            return Ctl<QPushButton>(c.name);
    return nullptr;
}

bool Form::PressDefault(bool cancel) {
    QPushButton* b = MarkedButton(cancel);
    if (!b) return false;
    if (b->isEnabled() && b->isVisible()) b->click();
    return true; // a disabled default button swallows Enter: nothing happens
}

namespace {

bool IsEnter(const QKeyEvent* k) {
    return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
}

// The modifiers the user holds; the keypad's Enter counts as Enter.
Qt::KeyboardModifiers Held(const QKeyEvent* k) {
    return k->modifiers() & ~Qt::KeypadModifier;
}

// The last key that came up, and when (the server's time, in milliseconds).
struct Release {
    int key = 0;
    quint64 time = 0;
} lastRelease;

void NoteRelease(const QKeyEvent* k) {
    lastRelease = {k->key(), k->timestamp()};
}

// A press the server made because the key is held down. X11 sends each repeat as a release and a
// press, each stamped when it is made; Qt marks the pair only when both have arrived together,
// so a press that follows the release of its key within 30 ms (faster than any hand, slower
// than a busy server between the two) counts as a repeat as well.
bool IsRepeat(const QKeyEvent* k) {
    if (k->isAutoRepeat()) return true;
    return k->timestamp() != 0 && k->key() == lastRelease.key &&
           k->timestamp() >= lastRelease.time && k->timestamp() - lastRelease.time <= 30;
}

// An access key (Alt + letter) repeated while held: it presses its button once, not once per
// repeat, so a held key never runs a command (Add to Collector) again and again.
bool RepeatedAccessKey(const QKeyEvent* k) {
    return (Held(k) & Qt::AltModifier) && k->key() != Qt::Key_Alt && IsRepeat(k);
}

} // namespace

bool Form::HandleKey(QObject* watched, QKeyEvent* k) {
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
        if (auto* cb = qobject_cast<QComboBox*>(watched); cb && cb->view()->isVisible())
            return false;
        // Enter presses the focused button, else the default one. A text box of a window
        // without a default button takes Enter as a line break.
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button) button = MarkedButton(false);
        if (!button) return !box;
        if (IsRepeat(k)) return true; // a held Enter presses once
        if (button->isEnabled() && button->isVisible()) button->click();
        return true;
    }
    if (k->key() == Qt::Key_Escape && Held(k) == Qt::NoModifier) {
        if (auto* cb = qobject_cast<QComboBox*>(watched); cb && cb->view()->isVisible())
            return false;
        if (!IsRepeat(k)) PressDefault(true);
        return true; // Esc does nothing where no cancel button is marked
    }
    return false;
}

bool Form::eventFilter(QObject* watched, QEvent* e) {
    if (watched == windowHandle()) {
        if (e->type() == QEvent::Expose) QTimer::singleShot(0, this, [this] { FitFrame(); });
        return false;
    }
    if (e->type() == QEvent::MouseButtonRelease && qobject_cast<QLabel*>(watched)) {
        auto* m = static_cast<QMouseEvent*>(e);
        auto* l = static_cast<QLabel*>(watched);
        if (m->button() == Qt::LeftButton && l->isEnabled() && l->property("clickable").toBool() &&
            l->rect().contains(m->position().toPoint()))
            emit Clicked(l->objectName());
    }
    if (e->type() == QEvent::KeyRelease) NoteRelease(static_cast<QKeyEvent*>(e));
    if ((e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride) &&
        HandleKey(watched, static_cast<QKeyEvent*>(e)))
        return true;
    return QMainWindow::eventFilter(watched, e);
}

// Keys that no control took, or that reached the window with no control focused.
bool Form::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride && HandleKey(this, static_cast<QKeyEvent*>(e)))
        return true;
    if (e->type() == QEvent::KeyRelease) NoteRelease(static_cast<QKeyEvent*>(e));
    return QMainWindow::event(e);
}

void Form::keyPressEvent(QKeyEvent* k) {
    if (HandleKey(this, k)) return;
    QMainWindow::keyPressEvent(k);
}

void Form::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) {
        // Window managers may offer minimise and maximise on every frame (openbox ignores the
        // hints that leave them out): a window without the box goes back to its normal state.
        Qt::WindowStates unwanted;
        if (!Layout().minBox) unwanted |= Qt::WindowMinimized;
        if (!Layout().maxBox) unwanted |= Qt::WindowMaximized | Qt::WindowFullScreen;
        if (windowState() & unwanted) {
            QTimer::singleShot(0, this, [this, unwanted] {
                if (!unloading_ && (windowState() & unwanted))
                    setWindowState(windowState() & ~unwanted);
            });
        }
    }
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
