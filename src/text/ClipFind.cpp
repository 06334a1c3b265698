#include "ClipFind.h"

#include "core/Store.h"
#include "ui/StoreText.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <algorithm>
#include <utility>

namespace quorrel {

ClipFinder::ClipFinder(QAbstractItemModel* list, std::function<std::string()> folder,
                       QObject* parent)
    : QAbstractListModel(parent), list_(list), folder_(std::move(folder)) {
    connect(list_, &QAbstractItemModel::modelReset, this, &ClipFinder::ListChanged);
    connect(list_, &QAbstractItemModel::layoutChanged, this, &ClipFinder::ListChanged);
    connect(list_, &QAbstractItemModel::rowsInserted, this, &ClipFinder::ListChanged);
    connect(list_, &QAbstractItemModel::rowsRemoved, this, &ClipFinder::ListChanged);
    connect(list_, &QAbstractItemModel::dataChanged, this, &ClipFinder::ListChanged);
}

ClipFinder::~ClipFinder() {
    StopReading();
}

void ClipFinder::StopReading() {
    if (stopReader_) stopReader_->store(true);
    // It stops after the file it reads: a few kilobytes.
    if (reader_.joinable()) reader_.join();
    stopReader_.reset();
}

void ClipFinder::StartReading() {
    StopReading();
    const std::string folder = folder_ ? folder_() : std::string();
    if (folder.empty()) return;
    std::vector<std::string> numbers(entries_.size());
    for (size_t r = 0; r < entries_.size(); ++r) {
        const qsizetype mark = entries_[r].indexOf(QLatin1String(") "));
        if (mark > 0) numbers[r] = entries_[r].left(mark).toStdString();
    }
    stopReader_ = std::make_shared<std::atomic<bool>>(false);
    reader_ = std::thread(
        [this, folder, numbers = std::move(numbers), stop = stopReader_, generation = generation_] {
            std::vector<QString> texts(numbers.size());
            std::size_t total = 0;
            for (size_t r = numbers.size(); r-- > 0 && total < kFindTotalChars;) {
                if (stop->load()) return;
                if (numbers[r].empty()) continue;
                texts[r] = FromStore(ReadClipHead(folder, numbers[r], kFindClipBytes));
                total += static_cast<std::size_t>(texts[r].size());
            }
            // Delivered before the finder can go: its destructor waits for this thread.
            QMetaObject::invokeMethod(
                this,
                [this, generation, texts = std::move(texts)]() mutable {
                    TextsRead(generation, std::move(texts));
                },
                Qt::QueuedConnection);
        });
}

void ClipFinder::TextsRead(unsigned generation, std::vector<QString> texts) {
    if (generation != generation_ || texts.size() != texts_.size()) return;
    clipTexts_ = std::move(texts);
    for (size_t r = 0; r < clipTexts_.size(); ++r)
        if (!clipTexts_[r].isEmpty()) texts_[r] = clipTexts_[r];
    if (needle_.isEmpty()) return;
    const QString typed = std::exchange(needle_, QString());
    Find(typed);
    emit Refound();
}

void ClipFinder::ListChanged() {
    // What was found named rows of the old list: nothing is offered until the next search.
    ++generation_;
    StopReading();
    stale_ = true;
    texts_.clear(); // the old entries are let go with the list
    entries_.clear();
    clipTexts_.clear();
    if (!found_.empty()) {
        beginResetModel();
        found_.clear();
        needle_.clear();
        endResetModel();
    }
}

void ClipFinder::Take() {
    // The entries' strings are shared with the list, not copied.
    const int rows = list_->rowCount();
    texts_.assign(static_cast<size_t>(rows), QStringView());
    entries_.assign(static_cast<size_t>(rows), QString());
    for (int r = 0; r < rows; ++r) {
        QString& entry = entries_[static_cast<size_t>(r)];
        entry = list_->index(r, 0).data().toString();
        const qsizetype mark = entry.indexOf(QLatin1String(") "));
        // The number is no part of the clip's text; an entry without one is searched whole.
        texts_[static_cast<size_t>(r)] =
            mark < 0 ? QStringView(entry) : QStringView(entry).mid(mark + 2);
    }
    stale_ = false;
    StartReading();
}

void ClipFinder::Find(const QString& typed) {
    std::vector<int> found;
    if (!typed.isEmpty()) {
        const bool narrower =
            !stale_ && !needle_.isEmpty() && typed.contains(needle_, Qt::CaseInsensitive);
        if (stale_) Take();
        const QStringMatcher matcher(typed, Qt::CaseInsensitive);
        auto holds = [&](int row) {
            return matcher.indexIn(texts_[static_cast<size_t>(row)]) >= 0;
        };
        if (narrower) {
            for (int row : found_)
                if (holds(row)) found.push_back(row);
        } else {
            for (int row = static_cast<int>(texts_.size()) - 1; row >= 0; --row)
                if (holds(row)) found.push_back(row);
        }
    }
    beginResetModel();
    found_ = std::move(found);
    needle_ = typed;
    endResetModel();
}

int ClipFinder::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(found_.size());
}

QVariant ClipFinder::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() ||
        (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
        return {};
    return list_->index(ListRow(index.row()), 0).data();
}

namespace {

// Follows the typing in the combo's box: who changed its text last, the user or the program.
class FindTyping : public QObject {
  public:
    FindTyping(QComboBox* combo, QCompleter* completer, ClipFinder* finder)
        : QObject(combo), combo_(combo), completer_(completer), finder_(finder) {}

    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::KeyPress || typing_) return false;
        auto* k = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers held =
            k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (held != Qt::NoModifier || k->text().isEmpty() || !k->text().at(0).isPrint())
            return false;
        // A letter typed over the prompt or a chosen entry begins a search of its own.
        combo_->lineEdit()->clear();
        typing_ = true;
        return false;
    }

    void Edited(const QString& text) {
        edited_ = true;
        typing_ = true;
        finder_->Find(text);
        Offer();
    }

    // The clips' texts came in while the user types: what they hold is offered too, unless the
    // user closed the drop-down.
    void Refound() {
        if (typing_ && combo_->hasFocus() && (completer_->popup()->isVisible() || offeredNone_))
            Offer();
    }

    void Offer() {
        offeredNone_ = finder_->rowCount() == 0;
        if (offeredNone_) {
            completer_->popup()->hide();
            return;
        }
        // Wider than the box when the box is narrow: long first lines stay readable.
        QAbstractItemView* popup = completer_->popup();
        const int chars = popup->fontMetrics().averageCharWidth() * kFindColumns;
        const int width =
            chars + popup->verticalScrollBar()->sizeHint().width() + 2 * popup->frameWidth() + 8;
        completer_->complete(QRect(0, 0, std::max(width, combo_->width()), combo_->height()));
        popup->setCurrentIndex(QModelIndex()); // Down goes to the newest; Enter alone chooses none
    }

    void Changed() {
        // The program set the text (the prompt, a chosen entry): the next letter starts anew.
        if (!edited_) {
            typing_ = false;
            completer_->popup()->hide();
        }
        edited_ = false;
    }

  private:
    QComboBox* combo_;
    QCompleter* completer_;
    ClipFinder* finder_;
    bool typing_ = false;      // the box holds what the user typed
    bool edited_ = false;      // the coming textChanged is the user's edit
    bool offeredNone_ = false; // the last search found nothing to offer
};

} // namespace

QCompleter* AttachClipFinder(QComboBox* combo, std::function<void(int)> choose,
                             std::function<std::string()> folder) {
    auto* finder = new ClipFinder(combo->model(), std::move(folder), combo);
    auto* completer = new QCompleter(finder, combo);
    completer->setObjectName(QStringLiteral("ClipFind"));
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer->setMaxVisibleItems(combo->maxVisibleItems());
    completer->setWidget(combo);
    auto* view = qobject_cast<QListView*>(completer->popup());
    if (view) view->setUniformItemSizes(true); // thousands of rows lay out at once
    completer->popup()->setTextElideMode(Qt::ElideRight);

    auto* typing = new FindTyping(combo, completer, finder);
    combo->installEventFilter(typing);
    QLineEdit* edit = combo->lineEdit();
    QObject::connect(edit, &QLineEdit::textEdited, typing, &FindTyping::Edited);
    QObject::connect(edit, &QLineEdit::textChanged, typing, &FindTyping::Changed);
    QObject::connect(finder, &ClipFinder::Refound, typing, &FindTyping::Refound);
    QObject::connect(completer, qOverload<const QModelIndex&>(&QCompleter::activated), combo,
                     [finder, completer, choose = std::move(choose)](const QModelIndex& index) {
                         // The completer's own model stands between: map back to the finder's.
                         auto* proxy =
                             qobject_cast<QAbstractProxyModel*>(completer->completionModel());
                         const QModelIndex found = proxy ? proxy->mapToSource(index) : index;
                         if (found.isValid() && found.model() == finder)
                             choose(finder->ListRow(found.row()));
                     });
    return completer;
}

} // namespace quorrel
