#include "App.h"

#include "clipwatch/HotKey.h"
#include "collectors/frmDelete.h"
#include "collectors/frmFirst.h"
#include "collectors/frmNameTxt.h"
#include "collectors/frmOpen.h"
#include "collectors/frmSaveAs.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/Store.h"
#include "core/TextFile.h"
#include "pictures/frmPix.h"
#include "pictures/frmPixView.h"
#include "platform/WindowOwner.h"
#include "text/frmClipPrev.h"
#include "text/frmMain.h"
#include "text/frmPreview.h"
#include "ui/FirstFrame.h"
#include "ui/Resources.h"
#include "ui/StoreText.h"
#include "ui/frmAbout.h"

#include <QApplication>
#include <QWindow>

namespace quorrel {

namespace {

// The icon's files, and the image plugins they wake, cost a start a millisecond or two.
void UseAppIcon() {
    if (QApplication::windowIcon().isNull()) QApplication::setWindowIcon(AppIcon());
}

} // namespace

App::App(const PlatformServices& p)
    : platform_(p),
      hook_(*p.clipboard, *this), ctx_{state_,     *p.clipboard, *p.messages, *p.busy,
                                       *p.hotKey,  *p.help,      *p.capture,  *p.registry,
                                       *p.starter, *this,        hook_,       keyPolicy_} {
    connect(p.hotKey, &HotKey::Pressed, this, [this] { Request(SessionRequest::Toggle); });
}

App::~App() {
    for (quorrel::Form*& f : forms_) {
        delete f;
        f = nullptr;
    }
}

quorrel::Form* App::Make(FormId id) {
    switch (id) {
    case FormId::frmMain:
        return new frmMain(ctx_);
    case FormId::frmPix:
        return new frmPix(ctx_);
    case FormId::frmNameTxt:
        return new frmNameTxt(ctx_);
    case FormId::frmOpen:
        return new frmOpen(ctx_);
    case FormId::frmPreview:
        return new frmPreview(ctx_);
    case FormId::frmDelete:
        return new frmDelete(ctx_);
    case FormId::frmSaveAs:
        return new frmSaveAs(ctx_);
    case FormId::frmPixView:
        return new frmPixView(ctx_);
    case FormId::frmAbout:
        return new frmAbout(ctx_);
    case FormId::frmFirst:
        return new frmFirst(ctx_);
    case FormId::frmClipPrev:
        return new frmClipPrev(ctx_);
    }
    return nullptr;
}

QWidget* App::Form(FormId id) {
    const int i = static_cast<int>(id);
    if (!forms_[i]) {
        forms_[i] = Make(id);
        forms_[i]->Form_Load();
        // Text1 shows what the clipboard holds from the load on; a start that shows its window
        // first reads it after the first frame (a round trip to the program that copied it).
        if (id == FormId::frmMain && !clipboardLater_)
            ShowClipboardText(platform_.clipboard->GetText());
        // The picture-mode window is built when first shown, not at the start.
        if (id == FormId::frmPix && !collectorCaption_.isNull())
            static_cast<frmPix*>(forms_[i])->SetCollectorCaption(collectorCaption_);
    }
    return forms_[i];
}

QWidget* App::Loaded(FormId id) const {
    return forms_[static_cast<int>(id)];
}

bool App::IsLoaded(FormId id) const {
    return Loaded(id) != nullptr;
}

bool App::AnyLoaded() const {
    for (auto* f : forms_)
        if (f) return true;
    return false;
}

bool App::IsModeWindow(FormId id) {
    return id == FormId::frmMain || id == FormId::frmPix;
}

QWidget* App::ModeWindowOnScreen() const {
    const FormId current = state_.TextModeActive ? FormId::frmMain : FormId::frmPix;
    for (FormId id : {current, FormId::frmMain, FormId::frmPix})
        if (QWidget* w = Loaded(id); w && w->isVisible()) return w;
    return nullptr;
}

// A secondary window stays above the mode window that owns it, also when that one is clicked;
// none owns it where no mode window is on screen (the first start).
void App::KeepAbove(QWidget* secondary, QWidget* mode) {
    secondary->winId(); // the native window that carries the hint
    if (QWindow* handle = secondary->windowHandle())
        SetWindowOwner(handle, mode ? mode->windowHandle() : nullptr);
}

void App::Show(FormId id) {
    QWidget* w = Form(id);
    // The mode window about to show takes over the secondary windows open over the other.
    const auto giveOwners = [&] {
        if (!IsModeWindow(id)) return KeepAbove(w, ModeWindowOnScreen());
        for (int i = 0; i < kFormCount; ++i)
            if (QWidget* s = Loaded(static_cast<FormId>(i));
                s && !IsModeWindow(static_cast<FormId>(i)))
                KeepAbove(s, w);
    };
    w->winId();
    giveOwners(); // dialogs are mapped with their owner
    // A minimised window comes back too: without a taskbar, its menu entry is the way back.
    w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    // Again once on screen: mapping a plain window drops its owner, and the window manager
    // takes as owner only a window it manages.
    giveOwners();
    w->raise();
    w->activateWindow();
}

void App::Unload(FormId id) {
    const int i = static_cast<int>(id);
    quorrel::Form* f = forms_[i];
    if (!f || unloading_[i]) return;
    unloading_[i] = true;
    f->MarkUnloading();
    f->Form_Unload();
    f->hide();
    forms_[i] = nullptr;
    unloading_[i] = false;
    f->deleteLater();
    if (!AnyLoaded()) emit Ended();
}

void App::SetCollectorLabels(const QString& name) {
    collectorCaption_ = QLatin1Char(' ') + name + QLatin1Char(' ');
    Get<frmMain>(FormId::frmMain)->SetCollectorCaption(collectorCaption_);
    if (IsLoaded(FormId::frmPix))
        Get<frmPix>(FormId::frmPix)->SetCollectorCaption(collectorCaption_);
}

void App::ResetClipList(const QString& editText) {
    listPending_ = false; // another list replaces the one the start was to read
    Get<frmMain>(FormId::frmMain)->ResetClipList(editText);
}

void App::AddClipItems(const QStringList& items) {
    FillClipList(true); // a clip added before the start's list came goes below it
    Get<frmMain>(FormId::frmMain)->AddClipItems(items);
}

void App::EnableAdd() {
    Get<frmMain>(FormId::frmMain)->EnableAdd();
}

// The picture-mode window reads its slots and the clipboard's picture when it is built.
void App::HidePictureSlots() {
    if (IsLoaded(FormId::frmPix)) Get<frmPix>(FormId::frmPix)->HidePictureSlots();
}

void App::RefreshPictureSlots() {
    if (IsLoaded(FormId::frmPix)) Get<frmPix>(FormId::frmPix)->RefreshPictureSlots();
}

void App::ShowClipboardText(const QString& text) {
    Get<frmMain>(FormId::frmMain)->ShowClipboardText(text);
}

void App::ShowClipboardPicture(const QImage& picture) {
    if (IsLoaded(FormId::frmPix)) Get<frmPix>(FormId::frmPix)->ShowClipboardPicture(picture);
}

void App::Request(SessionRequest request) {
    // Nothing to show before the start procedure loaded the text-mode window, or after the end.
    if (!IsLoaded(FormId::frmMain)) return;
    const FormId current = state_.TextModeActive ? FormId::frmMain : FormId::frmPix;
    if (request == SessionRequest::Toggle) {
        HotKeyToggle(state_, Form(current));
    } else if (state_.FirstRun && IsLoaded(FormId::frmFirst)) {
        Show(FormId::frmFirst); // the window a first run shows
    } else {
        Show(current);
        state_.WindowHidden = false;
    }
}

// One process writes a store at a time: two copies adding at once gave clips that the index
// counted twice or lost. The second one says so and ends, having written nothing.
bool App::LockStore(const std::string& root) {
    storeLock_ = LockFolder(root);
    if (storeLock_) return true;
    UseAppIcon();
    platform_.messages->Show(QStringLiteral("Another Quorrel is using the collectors in %1. "
                                            "This one closes; nothing was changed.")
                                 .arg(QString::fromStdString(root)));
    Unload(FormId::frmMain);
    return false;
}

void App::Main() {
    // A window or a message other than the text-mode window's first frame carries the icon.
    if (!afterFirstFrame_) UseAppIcon();
    state_.FirstRun = false;
    // The documents-folder lookup has the main window as its owner: load it first.
    clipboardLater_ = afterFirstFrame_;
    Form(FormId::frmMain);
    clipboardLater_ = false;
    auto takeClipboard = [this] { ShowClipboardText(platform_.clipboard->GetText()); };
    state_.DocumentsPath =
        platform_.specialFolderPath ? platform_.specialFolderPath(5) : std::string();
    const std::string& docs = state_.DocumentsPath;

    try {
        const bool firstRun = !FolderExists(StoreRoot(docs));
        if (firstRun) MakeStoreRoot(docs);
        if (!LockStore(StoreRoot(docs))) return;
        if (firstRun) {
            if (afterFirstFrame_) takeClipboard();
            UseAppIcon();
            Show(FormId::frmFirst);
            state_.FirstRun = true;
        } else {
            state_.FirstRun = false;
            // A refused Label, or a rewrite or repair that failed, is told once; the collector
            // opens anyway, so that its clips can be read.
            const std::string problem = OpenCollectorAtStart(state_);
            SetCollectorLabels(FromStore(state_.CollectorLabel));
            ResetClipList(QString::fromLatin1(kClipListPrompt));
            if (!problem.empty()) {
                UseAppIcon();
                platform_.messages->Show(FromStore(problem));
            }
            state_.TextModeActive = true;
            Show(FormId::frmMain);
            listPending_ = true;
            const bool tell = problem.empty(); // one message at a start
            if (afterFirstFrame_)
                AfterFirstPaint(Loaded(FormId::frmMain), [this, tell, takeClipboard] {
                    UseAppIcon();
                    takeClipboard();
                    FillClipList(tell);
                });
            else
                FillClipList(tell);
        }
    } catch (const RuntimeError& e) {
        // A store that cannot be made or read: say why and end, leaving every file as it was.
        UseAppIcon();
        platform_.messages->Show(QString::fromStdString(e.Message()));
        Unload(FormId::frmMain);
        return;
    }
    state_.WindowHidden = false;
}

void App::FillClipList(bool tellFailure) {
    if (!listPending_ || !IsLoaded(FormId::frmMain)) return;
    listPending_ = false;
    std::vector<std::string> clips;
    try {
        clips = ReadClipIndex(state_.CollectorPath);
    } catch (const RuntimeError& e) {
        if (tellFailure) platform_.messages->Show(QString::fromStdString(e.Message()));
    }
    Get<frmMain>(FormId::frmMain)->AddClipItems(FromStore(clips));
}

} // namespace quorrel
