#pragma once
#include "ui/Form.h"

#include <string>
#include <vector>

class QTextEdit;

namespace quorrel {

// Shows the open collector's clips one at a time, Back and Next wrapping at both ends.
class frmClipPrev : public FormOf<frmClipPrevControls> {
    Q_OBJECT
  public:
    explicit frmClipPrev(Context& ctx);
    void Form_Load() override;

    void cmdNext_Click();
    void cmdBack_Click();
    void cmdAdd_Click();
    void cmdClose_Click();

    int Position() const { return position_; }

  private:
    void ShowEntry();
    bool LoadClip(const std::string& entry);
    std::vector<std::string> list_; // the lines of Numb, then one empty entry
    int position_ = -1;             // wide enough for any Numb, not only 32,767 lines
    std::string folder_;            // the collector as it was at load
    QString fullText_;              // the whole clip while the box shows only its beginning
};

// A text box's right margin: wraps only lines wider than 1001 letters "a" in the main font.
void SetPreviewMargin(Context& ctx, QTextEdit* box);

// The box shows text with its own line ends; these give and take the clipboard's.
void SetBoxText(QTextEdit* box, const QString& text);
QString BoxText(const QTextEdit* box);

// Megabytes in a box stall the window: a text over kPreviewShown characters shows its beginning,
// read-only, and is kept whole in *full; otherwise *full is null and the box editable.
inline constexpr int kPreviewShown = 200000;
void SetBoundedBoxText(QTextEdit* box, const QString& text, QString* full);
// What the box stands for: the whole text when it shows only a part, else the box's text.
QString BoundedBoxText(const QTextEdit* box, const QString& full);

} // namespace quorrel
