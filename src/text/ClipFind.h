#pragma once
// Finding a clip by typing in the clip list's box: the clips whose text holds what was typed,
// in any letter case, newest first, offered in a drop-down under the box.
#include <QAbstractListModel>
#include <QString>
#include <QStringMatcher>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QComboBox;
class QCompleter;

namespace quorrel {

// The entries of a list model ("N) " and a clip's first line, oldest first) whose clip's text
// contains the text looked for, in any letter case. The entries are taken from the list at the
// first search after it changed, so a list nobody searches costs nothing; a search that extends
// the one before looks only among what that one found. The clips' texts are read from the
// collector's folder off the window thread, beginning at that first search: until they are in,
// the first lines behind "N) " are searched.
class ClipFinder : public QAbstractListModel {
    Q_OBJECT
  public:
    // folder: the open collector's folder, asked for when the entries are taken ("" or none:
    // first lines only).
    explicit ClipFinder(QAbstractItemModel* list, std::function<std::string()> folder = {},
                        QObject* parent = nullptr);
    ~ClipFinder() override;

    void Find(const QString& typed);
    int ListRow(int row) const { return found_[static_cast<size_t>(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // An entry whose first line holds the text shows as the list shows it; one found further down
    // also shows where (kFoundLineRole), worked out only for the rows the drop-down asks for.
    QVariant data(const QModelIndex& index, int role) const override;

  signals:
    // The clips' texts came in and the last search was made again over them.
    void Refound();

  private:
    void ListChanged();
    void Take();
    void StopReading();
    void StartReading();
    void TextsRead(unsigned generation, std::vector<QString> texts);
    QAbstractItemModel* list_;
    std::function<std::string()> folder_;
    std::vector<QString> clipTexts_; // read from the store, by row; "" where not read
    std::thread reader_;
    std::shared_ptr<std::atomic<bool>> stopReader_;
    unsigned generation_ = 0;        // of the list: texts read for an older one are dropped
    std::vector<QString> entries_;   // the list's entries, taken at the first search
    std::vector<QStringView> texts_; // each entry's clip text, behind "N) "
    bool stale_ = true;
    QString needle_;                                         // the text of the last search
    QStringMatcher matcher_{QString(), Qt::CaseInsensitive}; // for needle_
    std::vector<int> found_;
};

// For an entry whose clip holds the text looked for only below its first line: the line where
// it was found, as three strings (before the found text, the found text, after it), cut around
// it and marked "…" where cut, line ends within the found text shown as "↵". None otherwise.
inline constexpr int kFoundLineRole = Qt::UserRole + 1;
// Between an entry and the line where its text was found, in one row of the drop-down.
inline constexpr QStringView kFoundLineSeparator = u"  \u2014  ";

// Typing in the combo's box opens the finder's drop-down; a clip chosen there goes to `choose`
// with its row in the combo's list. The first key typed over a text the program put in the box
// (the prompt, a chosen entry) starts the search afresh instead of adding to that text.
QCompleter* AttachClipFinder(QComboBox* combo, std::function<void(int)> choose,
                             std::function<std::string()> folder = {});

// The drop-down is wide enough for this many characters of the list's font.
inline constexpr int kFindColumns = 60;
// What is read of the clips for finding them: the start of each, newest first, up to a total
// (UTF-16 units); older clips beyond it are found by their first lines.
inline constexpr std::size_t kFindClipBytes = 4096;
inline constexpr std::size_t kFindTotalChars = 8u << 20;

} // namespace quorrel
