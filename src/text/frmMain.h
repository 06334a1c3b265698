#pragma once
#include "ui/Form.h"

#include <QStringList>

namespace quorrel {

inline const char* const kClipListPrompt = "Select To Replace Clipboard Contents";

// The text-mode window: the clipboard's text, the open collector's clip list and the commands
// that move text between them.
class frmMain : public FormOf<frmMainControls> {
    Q_OBJECT
  public:
    explicit frmMain(Context& ctx);
    void Form_Load() override;
    void Form_Unload() override;

    void SetCollectorCaption(const QString& caption); // lblCollector
    void ResetClipList(const QString& editText);      // Combo1 emptied, its text set, enabled
    void AddClipItems(const QStringList& items);
    void EnableAdd();
    void ShowClipboardText(const QString& text); // what the clipboard hook does to Text1

    void cmdAdd_Click();
    void cmdAddToClipboard_Click();
    void cmdClear_Click();
    void Combo1_Click(int index);
    void ChooseFound(int row); // a clip chosen in the drop-down that typing in Combo1 opens
    void cmdClipPrev_Click();
    void cmdPreview_Click();
    void cmdPix_Click();
    void mnuProgHelp_Click();

    // Text1's text: all of it, also when the box shows only its beginning.
    QString Text1Text();
    static constexpr int kText1Shown = 10000;
    // The most of a clip's first line that the clip list shows.
    static constexpr int kListShown = 1000;

  private:
    void EmptyText1();
    QString fullText_; // the whole text while Text1 shows only a part of it
    bool secret_ = false;
    QString textProblem_; // why the clipboard's text was not taken (too large)
};

} // namespace quorrel
