#pragma once
// Finding a clip by typing in the clip list's box: the clips whose text holds what was typed,
// in any letter case, newest first, offered in a drop-down under the box.
#include <QAbstractListModel>
#include <QString>
#include <QStringMatcher>
#include <functional>
#include <vector>

class QComboBox;
class QCompleter;

namespace quorrel {

// The entries of a list model ("N) " and a clip's first line, oldest first) whose text behind
// "N) " contains the text looked for, in any letter case. The entries are taken from the list at
// the first search after it changed, so a list nobody searches costs nothing; a search that
// extends the one before looks only among what that one found.
class ClipFinder : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit ClipFinder(QAbstractItemModel* list, QObject* parent = nullptr);

    void Find(const QString& typed);
    int ListRow(int row) const { return found_[static_cast<size_t>(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    void ListChanged();
    void Take();
    QAbstractItemModel* list_;
    std::vector<QString> entries_;   // the list's entries, taken at the first search
    std::vector<QStringView> texts_; // each entry's clip text, behind "N) "
    bool stale_ = true;
    QString needle_; // the text of the last search
    std::vector<int> found_;
};

// Typing in the combo's box opens the finder's drop-down; a clip chosen there goes to `choose`
// with its row in the combo's list. The first key typed over a text the program put in the box
// (the prompt, a chosen entry) starts the search afresh instead of adding to that text.
QCompleter* AttachClipFinder(QComboBox* combo, std::function<void(int)> choose);

// The drop-down is wide enough for this many characters of the list's font.
inline constexpr int kFindColumns = 60;

} // namespace quorrel
