#pragma once
// The base of every window: builds its controls from its layout table, gives them out by name,
// and keeps the window-level rules (Enter on the default button, Esc on the cancel button,
// unload through the registry, losing the focus).
#include "Context.h"
#include "Layout.h"
#include "Trap.h"

#include <QMainWindow>
#include <QString>

class QAction;
class QLabel;
class QMenu;

namespace quorrel {

class Form : public QMainWindow {
    Q_OBJECT
  public:
    Form(FormId id, Context& ctx);
    ~Form() override;

    FormId Id() const { return id_; }
    const WindowLayout& Layout() const { return LayoutOf(id_); }

    // Runs once, right after the window was made (its load handler).
    virtual void Form_Load() {}
    // Runs once, when the window is unloaded.
    virtual void Form_Unload() {}

    // The control named as in the layout table.
    template <class T> T* Ctl(const char* name) const {
        return client_->findChild<T*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    }
    QAction* Menu(const char* name) const;

    // Sets the outer height (frame and caption bar included), in twips.
    void SetOuterHeight(int twips);
    void SetOuterWidth(int twips);
    QWidget* Client() const { return client_; }

    // The registry calls this when the window goes: no further close handling.
    void MarkUnloading() { unloading_ = true; }

    // Every handler a window connects runs inside the window's error trap: within the windows
    // these stand in for QObject::connect, so no handler throws through Qt.
    template <class Sender, class Signal, class Obj, class... Args>
    QMetaObject::Connection connect(const Sender* sender, Signal signal, Obj* receiver,
                                    void (Obj::*handler)(Args...)) {
        return QObject::connect(sender, signal, receiver, [this, receiver, handler](Args... args) {
            RunTrapped(ctx.messages, [&] { (receiver->*handler)(args...); });
        });
    }
    template <class Sender, class Signal, class Handler>
    QMetaObject::Connection connect(const Sender* sender, Signal signal, const QObject* context,
                                    Handler handler) {
        // Callable with exactly the arguments the handler takes, so Qt passes it no others.
        return QObject::connect(sender, signal, context,
                                [this, handler](auto... args) -> decltype(handler(args...)) {
                                    RunTrapped(ctx.messages, [&] { handler(args...); });
                                });
    }

  signals:
    // The window was deactivated and no window of the program took over (focus went elsewhere).
    void LostFocus();
    // A clickable label or image of this window was clicked.
    void Clicked(const QString& controlName);

  protected:
    Context& ctx;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

  private:
    void Build();
    bool PressDefault(bool cancel);
    void FitFrame();
    // Outer sizes asked for while the window manager's frame was not known yet, in twips.
    int pendingOuterHeight_ = 0;
    int pendingOuterWidth_ = 0;
    FormId id_;
    QWidget* client_ = nullptr;
    int chromeHeight_ = 0; // what the window adds above and below its client area, in pixels
    bool unloading_ = false;
};

// Label captions set at run time keep the label's self-sizing rule (grow to the right from the
// fixed left edge, or downwards for a wrapping label).
void SetCaption(QLabel* label, const QString& caption);

// The windows were laid out for an 8-point dialog font of Arial's width: use the closest one
// installed for the whole program.
void UseDialogFont();

} // namespace quorrel
