#pragma once
// Capture Screen on Wayland desktops: the root window of rootless Xwayland holds no pixels, so
// the whole screen comes from the desktop's Screenshot portal (non-interactive). The portal
// answers later, through a signal: the window stays hidden until the picture is on the
// clipboard, and the window thread never waits.
#include "platform/Clipboard.h"
#include "platform/Services.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

class QWidget;

namespace quorrel {

class PortalScreenCapture : public QObject, public ScreenCapture {
    Q_OBJECT
  public:
    PortalScreenCapture(Clipboard& clipboard, MessageBox& messages);
    void CaptureScreen(QWidget* window) override;

  private slots:
    void Response(uint response, const QVariantMap& results);

  private:
    void Ask();
    void Finish(const QString& problem);

    Clipboard& clipboard_;
    MessageBox& messages_;
    QPointer<QWidget> window_;
    QString request_; // the portal's request object being waited for
    bool busy_ = false;
    int serial_ = 0;
};

} // namespace quorrel
