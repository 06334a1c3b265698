#pragma once
#include "ui/Form.h"

#include "platform/FileIdentity.h"

#include <QImage>

#include <optional>

namespace quorrel {

class ImageBox;

// The graphics-mode window: the clipboard's picture, the open collector's 15 picture slots and
// the commands that move pictures between them.
class frmPix : public FormOf<frmPixControls> {
    Q_OBJECT
  public:
    explicit frmPix(Context& ctx);
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

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    ImageBox* slots_[15] = {};
    // Which file each slot's picture was read from, and when and how big it was then: the same
    // file unchanged is not decoded again, which keeps mode switches and Add To Collector quick
    // with full-screen pictures; any other file (another collector's 1.jpg) is read.
    std::optional<FileIdentity> read_[15];
};

} // namespace quorrel
