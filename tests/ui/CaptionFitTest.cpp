// Every caption of every window fits its control in the font the program uses, as a user sees
// it at 96 dpi: no letter cut off at the right edge, no line cut at the bottom.
#include "support/Fakes.h"

#include "ui/Form.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <gtest/gtest.h>

using namespace quorrel;
using namespace quorrel::test;

namespace {

struct Cut {
    QString where, text;
    int needed, room;
};

// What a caption needs and the room its control gives it, in pixels.
void Measure(const Form& form, QWidget* control, std::vector<Cut>& cuts, int& measured) {
    const QString where = form.objectName() + "." + control->objectName();
    const QFontMetrics fm(control->font());
    auto check = [&](const QString& text, int needed, int room) {
        ++measured;
        if (needed > room) cuts.push_back({where, text, needed, room});
    };
    if (auto* b = qobject_cast<QPushButton*>(control)) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        const QRect room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
        // One clear pixel on each side, so that no letter touches the button's frame.
        check(b->text(), fm.size(Qt::TextShowMnemonic, b->text()).width() + 2, room.width());
        check(b->text() + " (height)", fm.height(), room.height());
    } else if (auto* l = qobject_cast<QLabel*>(control)) {
        if (l->text().isEmpty()) return;
        const QRect room = l->contentsRect();
        if (!l->wordWrap()) check(l->text(), fm.horizontalAdvance(l->text()), room.width());
        const QRect lines = fm.boundingRect(
            QRect(0, 0, room.width(), 10000),
            int(l->alignment()) | (l->wordWrap() ? Qt::TextWordWrap : 0), l->text());
        check(l->text() + " (height)", l->wordWrap() ? lines.height() : fm.height(), room.height());
    } else if (auto* cb = qobject_cast<QComboBox*>(control)) {
        QLineEdit* edit = cb->lineEdit();
        if (!edit || edit->text().isEmpty()) return;
        const QMargins m = edit->textMargins();
        // A line edit keeps two pixels on either side of its text and one for the cursor.
        const int room = edit->width() - m.left() - m.right() - 2 * 2 - 1;
        check(edit->text(), QFontMetrics(edit->font()).horizontalAdvance(edit->text()), room);
    }
}

} // namespace

TEST(CaptionFit, EveryCaptionOfEveryWindowFitsItsControl) {
    const QFontInfo font(QApplication::font());
    ASSERT_EQ(font.family(), QApplication::font().family())
        << "the program's font is not installed (" << QApplication::font().family().toStdString()
        << " asked, " << font.family().toStdString() << " given)";
    ASSERT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInchX(), 96);

    World w;
    w.MakeCollector("Work", {"one"});
    w.MakeCollector("Other", {}, false); // Delete lists it and explains the open one
    w.clipboard.ExternalText("some text");
    w.app->Main();
    std::vector<Cut> cuts;
    int measured = 0;
    for (int i = 0; i < kFormCount; ++i) {
        const auto id = static_cast<FormId>(i);
        if (id == FormId::frmFirst) continue; // made below, in a store without collectors
        auto* form = static_cast<Form*>(w.app->Form(id));
        ASSERT_NE(form, nullptr) << FormName(id);
        for (QWidget* c : form->Client()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            Measure(*form, c, cuts, measured);
    }
    World first;
    first.app->Main();
    auto* firstRun = static_cast<Form*>(first.app->Loaded(FormId::frmFirst));
    ASSERT_NE(firstRun, nullptr);
    for (QWidget* c : firstRun->Client()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        Measure(*firstRun, c, cuts, measured);

    EXPECT_GT(measured, 60);
    for (const Cut& c : cuts)
        ADD_FAILURE() << c.where.toStdString() << " \"" << c.text.toStdString() << "\" needs "
                      << c.needed << " px, has " << c.room;
}
