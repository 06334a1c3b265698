#include "ClipFind.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <algorithm>

namespace quorrel {

ClipFinder::ClipFinder(QAbstractItemModel* list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {
    connect(list_, &QAbstractItemModel::modelReset, this, &ClipFinder::ListChanged);
    connect(list_, &QAbstractItemModel::layoutChanged, this, &ClipFinder::ListChanged);
    connect(list_, &QAbstractItemModel::rowsInserted, this, &ClipFinder::ListChanged);
    connect(list_, &QAbstractItemModel::rowsRemoved, this, &ClipFinder::ListChanged);
    connect(list_, &QAbstractItemModel::dataChanged, this, &ClipFinder::ListChanged);
}

void ClipFinder::ListChanged() {
    // What was found named rows of the old list: nothing is offered until the next search.
    stale_ = true;
    texts_.clear(); // the old entries are let go with the list
    entries_.clear();
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
        if (finder_->rowCount() == 0) {
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
    bool typing_ = false; // the box holds what the user typed
    bool edited_ = false; // the coming textChanged is the user's edit
};

} // namespace

QCompleter* AttachClipFinder(QComboBox* combo, std::function<void(int)> choose) {
    auto* finder = new ClipFinder(combo->model(), combo);
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
