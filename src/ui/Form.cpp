#include "Form.h"

#include "Forms.h"
#include "FrameFitter.h"
#include "KeyPolicy.h"
#include "WindowRules.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace quorrel {

Form::Form(FormId id, Context& context) : QMainWindow(nullptr), ctx(context), id_(id) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    // A window hidden while active and shown again (the hot key) gets the keyboard back, but Qt
    // does not count it active again when the X server's focus returns to the same window: its
    // next loss of the focus shows only as the focus going from its window to none.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* w) {
        if (!w && hadFocus_) CheckFocusLost(kFocusSettleMs);
        hadFocus_ = w != nullptr && w == windowHandle();
    });
}

Form::~Form() = default;

void Form::Build(void* controls) {
    const WindowLayout& L = Layout();
    setObjectName(QString::fromLatin1(L.name));
    setWindowTitle(QString::fromStdString(L.title));
    setWindowFlags(WindowFlagsOf(L));

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    MakeMenus(menuBar(), L.menus, controls);

    std::vector<std::pair<int, QWidget*>> tabbed;
    std::vector<QWidget*> painted; // labels and images
    for (const ControlLayout& c : L.controls) {
        auto* w = qobject_cast<QWidget*>(MakeControl(c, client_, controls));
        if (!w) continue; // a timer
        w->installEventFilter(this);
        if (c.tab >= 0) tabbed.emplace_back(c.tab, w);
        if (c.kind == Kind::Label || c.kind == Kind::Image) painted.push_back(w);
        if (c.kind == Kind::Button && (c.flags & Default))
            defaultButton_ = qobject_cast<QPushButton*>(w);
        if (c.kind == Kind::Button && (c.flags & Cancel))
            cancelButton_ = qobject_cast<QPushButton*>(w);
    }
    // Labels and images are painted on the window itself, under every other control, which
    // shows whole and takes the click where a label grown to its text reaches it. Lowered last
    // first, they keep their order among themselves.
    for (auto w = painted.rbegin(); w != painted.rend(); ++w)
        (*w)->lower();
    std::stable_sort(tabbed.begin(), tabbed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < tabbed.size(); ++i)
        QWidget::setTabOrder(tabbed[i - 1].second, tabbed[i].second);
    if (!tabbed.empty()) tabbed.front().second->setFocus(Qt::OtherFocusReason);

    const int menuPx = L.menus.empty() ? 0 : menuBar()->sizeHint().height();
    fitter_ = new FrameFitter(this, L.frame == Frame::Sizable, menuPx);
    fitter_->Start(QSize(Px(L.clientWidth), Px(L.clientHeight) + menuPx), L.centred,
                   QPoint(Px(L.fixedLeft), Px(L.fixedTop)));
    if (L.loadHeight) fitter_->SetOuterHeight(L.loadHeight);
}

void Form::SetOuterHeight(int twips) {
    fitter_->SetOuterHeight(twips);
}

void Form::SetOuterWidth(int twips) {
    fitter_->SetOuterWidth(twips);
}

void Form::closeEvent(QCloseEvent* e) {
    e->accept();
    if (!unloading_) ctx.forms.Unload(id_);
}

bool Form::HandleKey(QObject* watched, QKeyEvent* k) {
    return ctx.keyPolicy.Handle(watched, k, defaultButton_, cancelButton_);
}

bool Form::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyRelease) ctx.keyPolicy.NoteRelease(static_cast<QKeyEvent*>(e));
    if ((e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride) &&
        HandleKey(watched, static_cast<QKeyEvent*>(e)))
        return true;
    return QMainWindow::eventFilter(watched, e);
}

// Keys that no control took, or that reached the window with no control focused.
bool Form::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride && HandleKey(this, static_cast<QKeyEvent*>(e)))
        return true;
    if (e->type() == QEvent::KeyRelease) ctx.keyPolicy.NoteRelease(static_cast<QKeyEvent*>(e));
    return QMainWindow::event(e);
}

void Form::keyPressEvent(QKeyEvent* k) {
    if (HandleKey(this, k)) return;
    QMainWindow::keyPressEvent(k);
}

void Form::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) KeepAllowedState(this, Layout(), unloading_);
    if (e->type() == QEvent::ActivationChange && !isActiveWindow()) {
        // Moving to another window of the program is not losing the focus, nor is opening one
        // of its menus or lists, which X11 reports as a focus change while the popup takes
        // the keyboard.
        CheckFocusLost();
    }
}

void Form::CheckFocusLost(int settleMs) {
    QTimer::singleShot(settleMs, this, [this] {
        if (!unloading_ && isVisible() && QApplication::activeWindow() == nullptr &&
            QGuiApplication::focusWindow() == nullptr &&
            QApplication::activePopupWidget() == nullptr)
            emit LostFocus();
    });
}

} // namespace quorrel
