#include "frmPix.h"

#include "BitmapFile.h"
#include "HeldInput.h"
#include "PixSteps.h"
#include "clipwatch/HotKey.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"
#include "ui/Forms.h"
#include "ui/Help.h"
#include "ui/ImageBox.h"
#include "ui/ModeWindow.h"

#include <QAction>
#include <QFutureWatcher>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtConcurrent>

#include <array>
#include <vector>

namespace quorrel {

namespace {

// The picture as the bytes of a bitmap file.
std::string BitmapBytes(const QImage& picture) {
    if (picture.isNull()) throw RuntimeError(ErrInvalidProperty);
    std::string bytes = BitmapFileBytes(picture);
    if (bytes.empty()) throw RuntimeError(ErrOverflow); // beyond what a bitmap file can hold
    return bytes;
}

} // namespace

frmPix::frmPix(Context& c) : FormOf(c) {
    const std::array<ImageBox*, kPictureSlots> boxes = {
        ui.img1, ui.img2,  ui.img3,  ui.img4,  ui.img5,  ui.img6,  ui.img7, ui.img8,
        ui.img9, ui.img10, ui.img11, ui.img12, ui.img13, ui.img14, ui.img15};
    for (int n = 1; n <= kPictureSlots; ++n) {
        slots_[n - 1] = boxes[n - 1];
        ConnectTrapped(slots_[n - 1], &ImageBox::Click, this, [this, n] { imgN_Click(n); });
    }
    ConnectTrapped(ui.cmdSave, &QPushButton::clicked, this, &frmPix::cmdSave_Click);
    ConnectTrapped(ui.cmdCapture, &QPushButton::clicked, this, &frmPix::cmdCapture_Click);
    ConnectTrapped(ui.cmdClear, &QPushButton::clicked, this, &frmPix::cmdClear_Click);
    ConnectTrapped(ui.cmdPreview, &QPushButton::clicked, this, &frmPix::cmdPreview_Click);
    ConnectTrapped(ui.cmdText, &QPushButton::clicked, this, &frmPix::cmdText_Click);
    // Only an enabled box reports the click: after Clear Clipboard it does nothing.
    ConnectTrapped(ui.imgClipboard, &ImageBox::Click, this, &frmPix::cmdPreview_Click);

    ConnectModeWindow(*this, ctx, ui, ui.mnuCreate, false);
    ConnectTrapped(ui.mnuProgHelp, &QAction::triggered, this, &frmPix::mnuProgHelp_Click);
}

void frmPix::Form_Load() {
    ctx.hook.Hook(this);
    if (ctx.clipboard.GetFormat()) {
        auto* img = ui.imgClipboard;
        img->setEnabled(true);
        img->SetPicture(ctx.clipboard.GetData());
    }
    RefreshPictureSlots();
    auto* timer = ui.Timer1;
    timer->setInterval(kHotKeyInterval);
    timer->start();
}

// The window shows with the focus on its default button, so that Enter right after switching
// stores the picture (Enter presses the focused button).
void frmPix::showEvent(QShowEvent* e) {
    Form::showEvent(e);
    ui.cmdSave->setFocus(Qt::OtherFocusReason);
}

void frmPix::Form_Unload() {
    // The text-mode window's unload ends the program and unloads this window too.
    ctx.forms.Unload(FormId::frmMain);
}

ImageBox* frmPix::Slot(int n) const {
    return n >= 1 && n <= kPictureSlots ? slots_[n - 1] : nullptr;
}

frmPix::~frmPix() = default;

void frmPix::RefreshPictureSlots() {
    const unsigned refresh = ++refreshes_;
    struct Load {
        int n;
        QString path;
        std::optional<FileIdentity> stamp;
    };
    std::vector<Load> loads;
    for (int n = 1; n <= kPictureSlots; ++n) {
        ImageBox* slot = slots_[n - 1];
        const std::string path = PicturePath(ctx.state.CollectorPath, n);
        // A link where a picture belongs is not followed: its target is never read.
        if (!FileExists(path) || IsLink(path)) {
            slot->setVisible(false);
            continue;
        }
        slot->setVisible(true);
        const std::optional<FileIdentity> stamp = IdentityOf(path);
        if (stamp && stamp == read_[n - 1]) continue; // the slot already holds this picture
        read_[n - 1].reset();
        slot->SetPicture({}); // its own picture follows once decoded
        loads.push_back({n, QString::fromStdString(path), stamp});
    }
    if (loads.empty()) return;

    // Decoded off the window thread, at the slot's size in device pixels: a start with 15
    // pictures of 8K neither waits for them nor holds them whole.
    const QSize box = slots_[0]->contentsRect().size() * slots_[0]->devicePixelRatioF();
    ++loading_;
    auto* watcher = new QFutureWatcher<QImage>(this);
    QObject::connect(watcher, &QFutureWatcher<QImage>::resultReadyAt, this,
                     [this, watcher, loads, refresh](int i) {
                         if (refresh != refreshes_) return; // a later refresh decides
                         const Load& l = loads[static_cast<size_t>(i)];
                         const QImage picture = watcher->resultAt(i);
                         if (picture.isNull()) {
                             // A file that is no picture (or one too large to decode) is treated as
                             // missing.
                             slots_[l.n - 1]->setVisible(false);
                             return;
                         }
                         slots_[l.n - 1]->SetPicture(picture);
                         read_[l.n - 1] = l.stamp;
                     });
    QObject::connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        --loading_;
        CheckIdle();
    });
    watcher->setFuture(QtConcurrent::mapped(
        loads, [box](const Load& l) { return ReadPictureThumbnail(l.path, box); }));
}

void frmPix::HidePictureSlots() {
    for (ImageBox* slot : slots_)
        slot->setVisible(false);
}

void frmPix::SetCollectorCaption(const QString& caption) {
    SetCaption(ui.lblCollector, caption);
}

void frmPix::ShowClipboardPicture(const QImage& picture) {
    auto* img = ui.imgClipboard;
    img->setEnabled(true);
    img->SetPicture(picture);
}

void frmPix::CheckIdle() {
    if (Idle()) emit BecameIdle();
}

void frmPix::OffThread(std::function<std::function<void()>()> work,
                       std::function<void(std::exception_ptr)> failed) {
    struct Outcome {
        std::function<void()> done;
        std::exception_ptr failure;
    };
    held_ = std::make_unique<HeldInput>(ctx.busy);
    auto* watcher = new QFutureWatcher<Outcome>(this);
    QObject::connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, failed] {
        const Outcome outcome = watcher->result();
        watcher->deleteLater();
        held_.reset(); // input and the pointer back before any message
        RunTrapped(ctx.messages, [&] {
            try {
                if (outcome.failure) std::rethrow_exception(outcome.failure);
                outcome.done();
            } catch (...) {
                failed(std::current_exception());
            }
        });
        CheckIdle();
    });
    watcher->setFuture(QtConcurrent::run([work = std::move(work)]() -> Outcome {
        try {
            return {work(), nullptr};
        } catch (...) {
            return {nullptr, std::current_exception()};
        }
    }));
}

void frmPix::ShowAddFailure(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const RuntimeError& e) {
        if (e.number == ErrInvalidProperty) {
            // A picture was offered but could not be taken: say why rather than "none".
            const QString problem = ctx.clipboard.PictureProblem();
            ctx.messages.Show(problem.isEmpty()
                                  ? QStringLiteral("There are no graphics on the Clipboard.")
                                  : problem);
        } else
            ctx.messages.Show(QString::fromStdString(e.Message()));
    } catch (...) {
        ctx.messages.Show(TrapMessage(std::current_exception()));
    }
}

// The picture is encoded and written off the window thread (an 8K picture is 100 MB of bitmap),
// into the collector that was open when the command was given.
void frmPix::cmdSave_Click() {
    if (held_) return; // one picture command at a time
    const QImage picture = ui.imgClipboard->Picture();
    const std::string collector = ctx.state.CollectorPath;
    OffThread(
        [this, picture, collector]() -> std::function<void()> {
            const AddPictureResult r =
                AddPicture(collector, [&picture] { return BitmapBytes(picture); });
            return [this, r] {
                if (r.full) {
                    ctx.messages.Show(
                        QStringLiteral("Sorry, you already have 15 images in this collector."));
                    return;
                }
                RefreshPictureSlots();
            };
        },
        [this](std::exception_ptr failure) { ShowAddFailure(failure); });
}

void frmPix::cmdCapture_Click() {
    ctx.capture.CaptureScreen(this);
}

void frmPix::cmdClear_Click() {
    ctx.clipboard.Clear();
    ui.imgClipboard->setEnabled(false);
}

void frmPix::cmdPreview_Click() {
    ctx.forms.Show(FormId::frmPixView);
}

void frmPix::cmdText_Click() {
    ctx.state.TextModeActive = true;
    ctx.forms.Show(FormId::frmMain);
    hide();
}

// The slot holds its picture at the slot's size: the whole picture is read from its file, off
// the window thread, and then put on the clipboard.
void frmPix::imgN_Click(int n) {
    if (held_) return; // one picture command at a time
    const std::string path = PicturePath(ctx.state.CollectorPath, n);
    OffThread(
        [this, path]() -> std::function<void()> {
            QImage picture;
            if (FileExists(path) && !IsLink(path))
                picture = ReadPictureFile(QString::fromStdString(path));
            return [this, path, picture] {
                if (picture.isNull()) {
                    ctx.messages.Show(
                        QStringLiteral("The picture file %1 cannot be read; it was changed or "
                                       "removed after it was shown.")
                            .arg(QString::fromStdString(path)));
                    return;
                }
                ctx.clipboard.Clear();
                ctx.clipboard.SetData(picture);
            };
        },
        [this](std::exception_ptr failure) { ctx.messages.Show(TrapMessage(failure)); });
}

void frmPix::mnuProgHelp_Click() {
    OpenHelp(ctx, this);
}

} // namespace quorrel
