#pragma once
#include "ui/Form.h"

#include <QImage>

namespace quorrel {

// The graphics-mode window.
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
};

} // namespace quorrel
