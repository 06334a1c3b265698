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
class QKeyEvent;
class QPushButton;

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
    bool event(QEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void showEvent(QShowEvent* e) override;

  private:
    void Build();
    bool PressDefault(bool cancel);
    // The button marked as the window's default (Enter) or cancel (Esc) button, if any.
    QPushButton* MarkedButton(bool cancel) const;
    // Enter, Esc, Tab in the text boxes and held access keys, as users of desktops expect.
    bool HandleKey(QObject* watched, QKeyEvent* k);
    void FitFrame();
    void Centre(QSize client);
    QSize asked_;                // the size last given to the window (the part inside its frame)
    bool centrePending_ = false; // starts centred and was not yet placed with its frame
    bool watchingHandle_ = false;
    void ApplyOuterSize();
    // Outer sizes the window set on itself, in twips (0: none), and the frame they allowed for.
    int outerHeight_ = 0;
    int outerWidth_ = 0;
    QSize framed_;
    FormId id_;
    QWidget* client_ = nullptr;
    int chromeHeight_ = 0; // what the window adds above and below its client area, in pixels
    bool unloading_ = false;
};

// Label captions set at run time keep the label's self-sizing rule (grow to the right from the
// fixed left edge, or downwards for a wrapping label).
void SetCaption(QLabel* label, const QString& caption);

// The windows were laid out for an 8-point bitmap dialog font, narrower than Arial: Liberation
// Sans (Arial's widths, package fonts-liberation) at 7.5 points fits every caption at 96 dpi.
void UseDialogFont();

} // namespace quorrel
