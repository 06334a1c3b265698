#include "frmPix.h"

#include "BitmapFile.h"
#include "PixSteps.h"
#include "clipwatch/HotKey.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"
#include "ui/Forms.h"
#include "ui/Help.h"
#include "ui/ImageBox.h"
#include "ui/ModeWindow.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <array>

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

void frmPix::RefreshPictureSlots() {
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
        QImage picture = ReadPictureFile(QString::fromStdString(path));
        if (picture.isNull()) {
            // A file that is no picture (or one too large to decode) is treated as missing.
            slot->setVisible(false);
            continue;
        }
        slot->SetPicture(picture);
        read_[n - 1] = stamp;
    }
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

void frmPix::cmdSave_Click() {
    try {
        const QImage picture = ui.imgClipboard->Picture();
        const AddPictureResult r =
            AddPicture(ctx.state.CollectorPath, [&picture] { return BitmapBytes(picture); });
        if (r.full) {
            ctx.messages.Show(
                QStringLiteral("Sorry, you already have 15 images in this collector."));
            return;
        }
        RefreshPictureSlots();
    } catch (const RuntimeError& e) {
        if (e.number == ErrInvalidProperty) {
            // A picture was offered but could not be taken: say why rather than "none".
            const QString problem = ctx.clipboard.PictureProblem();
            ctx.messages.Show(problem.isEmpty()
                                  ? QStringLiteral("There are no graphics on the Clipboard.")
                                  : problem);
        } else
            ctx.messages.Show(QString::fromStdString(e.Message()));
    }
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

void frmPix::imgN_Click(int n) {
    const QImage picture = slots_[n - 1]->Picture();
    ctx.clipboard.Clear();
    ctx.clipboard.SetData(picture);
}

void frmPix::mnuProgHelp_Click() {
    OpenHelp(ctx, this);
}

} // namespace quorrel
