#pragma once
// One world of the program: the state, the windows and the clipboard hook over a set of
// platform services. main() makes one over the real platform; tests make theirs over fakes.
#include "clipwatch/ClipboardHook.h"
#include "core/AppState.h"
#include "platform/Platform.h"
#include "platform/Session.h"
#include "ui/Context.h"
#include "ui/Forms.h"

#include <QObject>
#include <array>
#include <memory>

namespace quorrel {

class Form;

class App : public QObject, public Forms, public HookTarget {
    Q_OBJECT
  public:
    explicit App(const PlatformServices& platform);
    ~App() override;

    // The start procedure.
    void Main();
    // Main() reads what the text-mode window's first frame does not show once that frame is on
    // screen: the open collector's clip list (with thousands of clips, reading it took longer
    // than the rest of the start), the clipboard and the window icon; without this, before it
    // returns.
    void AfterFirstFrame(bool later) { afterFirstFrame_ = later; }
    // What another start of the program asks for (`quorrel --show`, `--toggle`); a toggle is what
    // the hot key does.
    void Request(SessionRequest request);

    AppState& State() { return state_; }
    Context& Ctx() { return ctx_; }
    template <class T> T* Get(FormId id) { return static_cast<T*>(Form(id)); }
    // The window when loaded, without loading it.
    QWidget* Loaded(FormId id) const;
    bool AnyLoaded() const;

    // Forms
    QWidget* Form(FormId id) override;
    void Show(FormId id) override;
    void Unload(FormId id) override;
    bool IsLoaded(FormId id) const override;
    void SetCollectorLabels(const QString& name) override;
    void ResetClipList(const QString& editText) override;
    void AddClipItems(const QStringList& items) override;
    void EnableAdd() override;
    void HidePictureSlots() override;
    void RefreshPictureSlots() override;

    // HookTarget
    void ShowClipboardText(const QString& text) override;
    void ShowClipboardPicture(const QImage& picture) override;

  signals:
    // No window is loaded any more: the program ends.
    void Ended();

  private:
    quorrel::Form* Make(FormId id);
    bool LockStore(const std::string& root);
    void FillClipList(bool tellFailure);
    static bool IsModeWindow(FormId id);
    QWidget* ModeWindowOnScreen() const;
    static void KeepAbove(QWidget* secondary, QWidget* mode);
    PlatformServices platform_;
    AppState state_;
    ClipboardHook hook_;
    KeyPolicy keyPolicy_;
    Context ctx_;
    std::array<quorrel::Form*, kFormCount> forms_{};
    std::array<bool, kFormCount> unloading_{};
    std::unique_ptr<FolderLock> storeLock_; // held while the program runs
    bool afterFirstFrame_ = false;
    bool clipboardLater_ = false; // while Main() loads the text-mode window
    bool listPending_ = false;    // the start's clip list is still to be read
    QString collectorCaption_;    // for the picture-mode window, built when first shown
};

} // namespace quorrel
