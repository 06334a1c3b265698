#pragma once
// The base of every window: builds its controls from its layout table into the window's typed
// controls struct, and keeps the window-level rules (Enter on the default button, Esc on the
// cancel button, unload through the registry, losing the focus).
#include "Context.h"
#include "ControlFactory.h"
#include "Controls.h"
#include "Layout.h"
#include "Trap.h"
#include "TrappedConnect.h"

#include <QMainWindow>

class QPushButton;

namespace quorrel {

class FrameFitter;

class Form : public QMainWindow {
    Q_OBJECT
  public:
    ~Form() override;

    FormId Id() const { return id_; }
    const WindowLayout& Layout() const { return LayoutOf(id_); }

    // Runs once, right after the window was made (its load handler).
    virtual void Form_Load() {}
    // Runs once, when the window is unloaded.
    virtual void Form_Unload() {}

    // Sets the outer size (frame and caption bar included), in twips. Every window is given
    // the height its layout asks for at load.
    void SetOuterHeight(int twips);
    void SetOuterWidth(int twips);
    QWidget* Client() const { return client_; }

    // The registry calls this when the window goes: no further close handling.
    void MarkUnloading() { unloading_ = true; }

    // Connects a handler that runs inside this window's error trap.
    template <class Sender, class Signal, class Receiver, class Handler>
    QMetaObject::Connection ConnectTrapped(const Sender* sender, Signal signal, Receiver* receiver,
                                           Handler handler) {
        return quorrel::ConnectTrapped(ctx.messages, sender, signal, receiver, handler);
    }

  signals:
    // The window was deactivated and no window of the program took over (focus went elsewhere).
    void LostFocus();

  protected:
    Form(FormId id, Context& ctx);
    // Makes the controls of the layout, each stored in its member of `controls` (the window's
    // controls struct), and gives the window its load size and place.
    void Build(void* controls);

    Context& ctx;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;

  private:
    bool HandleKey(QObject* watched, QKeyEvent* k);
    // Emits LostFocus once the focus change under way has settled (after settleMs), if it left
    // the program.
    void CheckFocusLost(int settleMs = 0);
    // The focus going to none may be a step of the window manager's handing it back to a window
    // just shown (a slow one, on a loaded machine): the loss counts only if no window of the
    // program has the focus this long after.
    static constexpr int kFocusSettleMs = 300;
    FormId id_;
    QWidget* client_ = nullptr;
    FrameFitter* fitter_ = nullptr;
    QPushButton* defaultButton_ = nullptr; // Enter
    QPushButton* cancelButton_ = nullptr;  // Esc
    bool unloading_ = false;
    bool hadFocus_ = false; // the program's focus window is this one
};

// A window whose controls are the members of `Controls` (Controls.h), which names the window.
template <class Controls> class FormOf : public Form {
  public:
    Controls ui;

  protected:
    explicit FormOf(Context& c) : Form(Controls::kId, c) { Build(&ui); }
};

} // namespace quorrel
