#include "PortalScreenCapture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QImage>
#include <QImageReader>
#include <QLoggingCategory>
#include <QTimer>
#include <QUrl>
#include <QWidget>

Q_LOGGING_CATEGORY(lcPortalCapture, "quorrel.capture.portal", QtWarningMsg)

namespace quorrel {

namespace {
const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
// How long the window stays away for the portal's answer before the capture counts as failed.
constexpr int kAnswerLimitMs = 30000;
} // namespace

PortalScreenCapture::PortalScreenCapture(Clipboard& clipboard, MessageBox& messages)
    : clipboard_(clipboard), messages_(messages) {}

void PortalScreenCapture::CaptureScreen(QWidget* window) {
    if (busy_) return; // one capture at a time; the window is away meanwhile
    busy_ = true;
    window_ = window;
    window->setVisible(false);
    // The compositor needs a frame or two to take the window off the screen before the shot.
    QTimer::singleShot(150, this, &PortalScreenCapture::Ask);
}

void PortalScreenCapture::Ask() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Finish(QStringLiteral("there is no session bus"));
        return;
    }
    const QString token = QStringLiteral("quorrel%1").arg(++serial_);
    // The request object the portal will answer on, known before the call, so that an answer
    // that comes at once is not missed.
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    request_ = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    bus.connect(QString(), request_, kRequest, QStringLiteral("Response"), this,
                SLOT(Response(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortal, kPortalPath, QStringLiteral("org.freedesktop.portal.Screenshot"),
        QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), false},
                        {QStringLiteral("modal"), false}};
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    const int serial = serial_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, serial] {
        watcher->deleteLater();
        QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (serial != serial_ || !busy_) return;
        if (reply.isError()) {
            Finish(reply.error().message());
            return;
        }
        const QString handle = reply.value().path();
        if (handle != request_) {
            // A portal that names its request otherwise: listen there instead.
            QDBusConnection b = QDBusConnection::sessionBus();
            b.disconnect(QString(), request_, kRequest, QStringLiteral("Response"), this,
                         SLOT(Response(uint, QVariantMap)));
            request_ = handle;
            b.connect(QString(), request_, kRequest, QStringLiteral("Response"), this,
                      SLOT(Response(uint, QVariantMap)));
        }
    });
    QTimer::singleShot(kAnswerLimitMs, this, [this, serial] {
        if (serial == serial_ && busy_)
            Finish(QStringLiteral("the desktop's screenshot service did not answer"));
    });
}

void PortalScreenCapture::Response(uint response, const QVariantMap& results) {
    if (!busy_) return;
    QDBusConnection::sessionBus().disconnect(QString(), request_, kRequest,
                                             QStringLiteral("Response"), this,
                                             SLOT(Response(uint, QVariantMap)));
    if (response != 0) {
        Finish(response == 1 ? QStringLiteral("the capture was cancelled")
                             : QStringLiteral("the desktop refused the capture"));
        return;
    }
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    QImageReader reader(uri.toLocalFile());
    QImage shot;
    if (!uri.isLocalFile() || !reader.read(&shot) || shot.isNull()) {
        Finish(QStringLiteral("the screenshot %1 could not be read").arg(uri.toString()));
        return;
    }
    clipboard_.Clear();
    clipboard_.SetData(shot);
    Finish(QString());
}

void PortalScreenCapture::Finish(const QString& problem) {
    QDBusConnection::sessionBus().disconnect(QString(), request_, kRequest,
                                             QStringLiteral("Response"), this,
                                             SLOT(Response(uint, QVariantMap)));
    busy_ = false;
    ++serial_; // answers still to come for this capture are ignored
    if (window_) window_->setVisible(true);
    if (!problem.isEmpty()) {
        qCWarning(lcPortalCapture) << "capture failed:" << problem;
        messages_.Show(QStringLiteral("The screen could not be captured: %1.").arg(problem));
    }
}

} // namespace quorrel
