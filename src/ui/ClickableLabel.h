#pragma once
// A label that takes a click, as a link does: the pointing hand over it, and clicked() when the
// left button comes up over the label while it is enabled.
#include <QLabel>

namespace quorrel {

class ClickableLabel : public QLabel {
    Q_OBJECT
  public:
    ClickableLabel(const QString& text, QWidget* parent);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

} // namespace quorrel
