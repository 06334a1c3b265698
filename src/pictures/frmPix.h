#pragma once
#include "ui/Form.h"

#include <QDateTime>
#include <QImage>

namespace quorrel {

class ImageBox;

// The graphics-mode window: the clipboard's picture, the open collector's 15 picture slots and
// the commands that move pictures between them.
class frmPix : public Form {
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

  private:
    // When and how big each slot's file was when it was read: an unchanged file is not decoded
    // again, which keeps mode switches and Add To Collector quick with full-screen pictures.
    struct FileStamp {
        qint64 size = -1;
        QDateTime modified, changed;
        bool operator==(const FileStamp&) const = default;
    };
    ImageBox* slots_[15] = {};
    FileStamp read_[15];
};

} // namespace quorrel
