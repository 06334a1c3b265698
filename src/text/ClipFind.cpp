#include "ClipFind.h"

#include "core/Store.h"
#include "ui/StoreText.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QItemDelegate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
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
    matcher_.setPattern(typed);
    endResetModel();
}

int ClipFinder::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(found_.size());
}

namespace {

// How much of the line where a clip's text was found is shown around it (UTF-16 units); the
// drop-down cuts further to its width.
constexpr qsizetype kShownBefore = 24;
constexpr qsizetype kShownAfter = 60;
constexpr qsizetype kShownFound = 80;
constexpr char16_t kCut = u'\u2026';
constexpr char16_t kLineEndMark = u'\u21b5';

bool IsLineEnd(QChar c) {
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == u'\v' || u == u'\f' || u == 0x85 || u == 0x2028 ||
           u == 0x2029;
}

// A cut never splits a surrogate pair nor parts a letter from its accents.
bool CutsCharacter(QStringView text, qsizetype at) {
    return at > 0 && at < text.size() && (text[at].isLowSurrogate() || text[at].isMark());
}

// Tabs and other control characters show as spaces; `lineEnds`: each line end (CR LF as one)
// shows as one mark.
QString Shown(QStringView text, bool lineEnds) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (lineEnds && IsLineEnd(c)) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += kLineEndMark;
        } else {
            out += c.unicode() < 0x20 || c.unicode() == 0x7f ? QChar(u' ') : c;
        }
    }
    return out;
}

// The line of `text` where [at, at + length) begins, up to the line where it ends, cut around
// it: before it, itself, after it.
QStringList AroundFound(QStringView text, qsizetype at, qsizetype length) {
    qsizetype start = at;
    while (start > 0 && !IsLineEnd(text[start - 1]) && at - start < kShownBefore)
        --start;
    const bool cutBefore = start > 0 && !IsLineEnd(text[start - 1]);
    while (CutsCharacter(text, start) && start < at)
        ++start;
    QString before = Shown(text.mid(start, at - start), false);
    if (cutBefore) {
        before.prepend(kCut);
    } else {
        // The line's indentation says nothing about what was found.
        qsizetype blank = 0;
        while (blank < before.size() && before[blank].isSpace())
            ++blank;
        before.remove(0, blank);
    }

    qsizetype shownEnd = at + std::min(length, kShownFound);
    while (CutsCharacter(text, shownEnd) && shownEnd > at + 1)
        --shownEnd;
    QString found = Shown(text.mid(at, shownEnd - at), true);
    const qsizetype end = at + length;
    if (shownEnd < end) found += kCut;

    qsizetype stop = end;
    while (stop < text.size() && !IsLineEnd(text[stop]) && stop - end < kShownAfter)
        ++stop;
    while (CutsCharacter(text, stop) && stop > end)
        --stop;
    QString after = Shown(text.mid(end, stop - end), false);
    if (stop < text.size() && !IsLineEnd(text[stop]))
        after += kCut;
    else
        after = after.trimmed().isEmpty() ? QString() : after;
    return {before, found, after};
}

} // namespace

QVariant ClipFinder::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() ||
        (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole &&
         role != kFoundLineRole))
        return {};
    const int row = ListRow(index.row());
    const QVariant entry = list_->index(row, 0).data();
    // What goes into the box on choosing stays the list's entry.
    if (role == Qt::EditRole) return entry;

    // Found in the entry's first line: shown as the list shows it.
    const QString& listed = entries_[static_cast<size_t>(row)];
    const qsizetype mark = listed.indexOf(QLatin1String(") "));
    const QStringView first = mark < 0 ? QStringView(listed) : QStringView(listed).mid(mark + 2);
    const QStringView text = texts_[static_cast<size_t>(row)];
    const qsizetype at = matcher_.indexIn(first) >= 0 ? -1 : matcher_.indexIn(text);
    if (at < 0) return role == kFoundLineRole ? QVariant() : entry;

    const QStringList around = AroundFound(text, at, needle_.size());
    if (role == kFoundLineRole) return around;
    return entry.toString() + kFoundLineSeparator.toString() + around.join(QString());
}

namespace {

// Paints an entry found below its first line in one row: its first line, then dimmer the line
// where the text was found, the found text in bold. The found text keeps its room: a long first
// line gives way, down to two fifths of the row. Other rows paint as the completer's own.
class FoundLineDelegate : public QItemDelegate {
  public:
    explicit FoundLineDelegate(QAbstractItemView* view)
        : QItemDelegate(view), view_(view), own_(view->itemDelegate()) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QStringList around = index.data(kFoundLineRole).toStringList();
        if (around.size() != 3) {
            if (own_)
                own_->paint(painter, option, index);
            else
                QItemDelegate::paint(painter, option, index);
            return;
        }
        // As the completer's own delegate: the whole row marked, the current one focused.
        QStyleOptionViewItem opt = setOptions(index, option);
        opt.showDecorationSelected = true;
        if (view_->currentIndex() == index) opt.state |= QStyle::State_HasFocus;
        drawBackground(painter, opt, index);
        drawDisplay(painter, opt, opt.rect, QString()); // the selection's fill and pen
        const QColor ink = painter->pen().color();
        const QColor ground = opt.palette.color(
            opt.state & QStyle::State_Selected ? QPalette::Highlight : QPalette::Base);
        QColor dim = ink;
        dim.setRgbF(0.6f * ink.redF() + 0.4f * ground.redF(),
                    0.6f * ink.greenF() + 0.4f * ground.greenF(),
                    0.6f * ink.blueF() + 0.4f * ground.blueF());

        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect room = opt.rect.adjusted(margin, 0, -margin, 0);
        QFont bold = opt.font;
        bold.setBold(true);
        const QFontMetrics fm(opt.font), bm(bold);
        const QString separator = kFoundLineSeparator.toString();

        // The first line keeps up to two fifths of the row; of the rest, the found text comes
        // first, then what follows it, then what comes before it.
        const QString listed = index.data(Qt::EditRole).toString();
        const int most = room.width() - fm.horizontalAdvance(separator) -
                         std::min(fm.horizontalAdvance(listed), room.width() * 2 / 5);
        const QString found = bm.elidedText(around[1], Qt::ElideRight, std::max(most, 0));
        int left = most - bm.horizontalAdvance(found);
        const int beforeWidth = fm.horizontalAdvance(around[0]);
        const int afterWidth = fm.horizontalAdvance(around[2]);
        const int afterRoom = std::max(left - std::min(beforeWidth, left / 3), 0);
        const QString after = fm.elidedText(around[2], Qt::ElideRight, afterRoom);
        left -= std::min(afterWidth, fm.horizontalAdvance(after));
        const QString before = fm.elidedText(around[0], Qt::ElideLeft, std::max(left, 0));
        const int aroundWidth = fm.horizontalAdvance(before) + bm.horizontalAdvance(found) +
                                fm.horizontalAdvance(after);
        const QString entry = fm.elidedText(
            listed, Qt::ElideRight, room.width() - aroundWidth - fm.horizontalAdvance(separator));

        painter->save();
        painter->setClipRect(room);
        int x = room.left();
        auto draw = [&](const QString& text, const QFont& font, const QColor& color) {
            if (text.isEmpty()) return;
            painter->setFont(font);
            painter->setPen(color);
            const QRect r(x, room.top(), room.right() - x + 1, room.height());
            painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
            x += QFontMetrics(font).horizontalAdvance(text);
        };
        draw(entry, opt.font, ink);
        draw(separator, opt.font, dim);
        draw(before, opt.font, dim);
        draw(found, bold, ink);
        draw(after, opt.font, dim);
        painter->restore();
        drawFocus(painter, opt, opt.rect);
    }

  private:
    QAbstractItemView* view_;
    QAbstractItemDelegate* own_;
};

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
    completer->popup()->setItemDelegate(new FoundLineDelegate(completer->popup()));

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
