#pragma once
// The clipboard service: exactly the operations the program uses. Every change, whoever made it,
// is announced once through changed(); a change the program makes itself is announced before the
// call returns.
#include <QImage>
#include <QObject>
#include <QString>

namespace quorrel {

class Clipboard : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~Clipboard() override = default;

    virtual void Clear() = 0;
    virtual QString GetText() = 0;            // empty when the clipboard holds no text
    virtual void SetText(const QString&) = 0; // also the empty text
    virtual bool GetFormat() = 0;             // true exactly when a bitmap can be read
    virtual QImage GetData() = 0;             // a null image when there is none
    virtual void SetData(const QImage&) = 0;

    // The owner marked what it offers as a password (x-kde-passwordManagerHint = secret): it is
    // never shown in clear and never stored.
    virtual bool IsSecret() { return false; }
    // Why a picture that was offered could not be taken (too large, unreadable); empty otherwise.
    virtual QString PictureProblem() { return QString(); }
    // Why text that was offered could not be taken (too large); empty otherwise.
    virtual QString TextProblem() { return QString(); }

  signals:
    void changed();
};

} // namespace quorrel
