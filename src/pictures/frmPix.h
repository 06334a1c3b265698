#pragma once
#include "ui/Form.h"

#include "platform/FileIdentity.h"

#include <QImage>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace quorrel {

class HeldInput;
class ImageBox;

// The graphics-mode window: the clipboard's picture, the open collector's 15 picture slots and
// the commands that move pictures between them.
class frmPix : public FormOf<frmPixControls> {
    Q_OBJECT
  public:
    explicit frmPix(Context& ctx);
    ~frmPix() override;
    void Form_Load() override;
    void Form_Unload() override;

    void RefreshPictureSlots();
    void HidePictureSlots();
    void SetCollectorCaption(const QString& caption); // lblCollector
    // What the clipboard hook does to the graphics window on every change.
    void ShowClipboardPicture(const QImage& picture); // imgClipboard enabled, picture replaced

    void cmdSave_Click();
    void cmdCapture_Click();
    void cmdClear_Click();
    void cmdPreview_Click();
    void cmdText_Click();
    void imgN_Click(int n);
    void mnuProgHelp_Click();

    ImageBox* Slot(int n) const; // img1 ... img15
    // Nothing is at work off the window thread: no picture command, no slot still loading.
    bool Idle() const { return !held_ && loading_ == 0; }

  signals:
    void BecameIdle();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    // Runs `work` off the window thread while input is held, then `done` with its result on the
    // window thread; a failure of either goes to `failed`. One at a time.
    void OffThread(std::function<std::function<void()>()> work,
                   std::function<void(std::exception_ptr)> failed);
    void CheckIdle();
    void ShowAddFailure(std::exception_ptr failure);

    std::unique_ptr<HeldInput> held_; // a picture command at work
    int loading_ = 0;                 // slot loads under way
    unsigned refreshes_ = 0;          // a load's result counts only for the refresh that started it
    ImageBox* slots_[15] = {};
    // Which file each slot's picture was read from, and when and how big it was then: the same
    // file unchanged is not decoded again, which keeps mode switches and Add To Collector quick
    // with full-screen pictures; any other file (another collector's 1.jpg) is read. A slot
    // holds its picture decoded at the slot's size; the whole picture is read only when the
    // slot is clicked.
    std::optional<FileIdentity> read_[15];
};

} // namespace quorrel
