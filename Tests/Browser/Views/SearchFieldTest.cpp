// The search field on its own, offscreen: what it writes through its two bindings and what it
// never echoes, the choices below the magnifier, its size and backing, and its fonts under
// "Larger Text".

#include "Browser/Views/SearchField.h"

#include "App/AppSettings.h"
#include "Tests/Support/Scopes.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

// A user's click on a tick box: on its indicator, at the left.
void clickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// What the open choices show, top to bottom: a box's text, "—" for a divider, a label's text.
QStringList choicesTopToBottom(const SearchField& field) {
    QList<QWidget*> shown;
    for (QWidget* widget : field.choices()->findChildren<QWidget*>()) {
        const auto* frame = qobject_cast<QFrame*>(widget);
        const bool divider = frame && !qobject_cast<QLabel*>(widget) && frame->frameShape() == QFrame::HLine;
        if ((qobject_cast<QCheckBox*>(widget) || qobject_cast<QLabel*>(widget) || divider) &&
            widget->isVisible())
            shown.append(widget);
    }
    const auto top = [&](QWidget* widget) { return widget->mapTo(field.choices(), QPoint(0, 0)).y(); };
    std::sort(shown.begin(), shown.end(), [&](QWidget* a, QWidget* b) { return top(a) < top(b); });
    QStringList texts;
    for (QWidget* widget : shown) {
        if (const auto* box = qobject_cast<QCheckBox*>(widget))
            texts.append(box->text());
        else if (const auto* label = qobject_cast<QLabel*>(widget))
            texts.append(label->text());
        else
            texts.append(QStringLiteral("—"));
    }
    return texts;
}

SearchScope scopeWithout(std::initializer_list<SearchArea> unticked, bool all) {
    SearchScope scope;
    scope.all = all;
    for (const SearchArea area : unticked)
        scope.areas.remove(area);
    return scope;
}

} // namespace

TEST(SearchField, writesOnlyTheUsersEditsAndNeverEchoesTheOwners) {
    test::ScopedSettings settings;
    SearchField field;
    QSignalSpy texts(&field, &SearchField::textEdited);
    QSignalSpy scopes(&field, &SearchField::scopeEdited);

    // The owner's values show without coming back.
    const SearchScope owners = scopeWithout({SearchArea::keywords}, false);
    field.setText(QStringLiteral("tree"));
    field.setScope(owners);
    field.setPrompt(QStringLiteral("Search"));
    EXPECT_EQ(field.lineEdit()->text(), QStringLiteral("tree"));
    EXPECT_EQ(field.scope(), owners);
    EXPECT_FALSE(field.allFieldsBox()->isChecked());
    EXPECT_FALSE(field.areaBox(SearchArea::keywords)->isChecked());
    EXPECT_TRUE(field.areaBox(SearchArea::roles)->isChecked());
    EXPECT_EQ(field.lineEdit()->placeholderText(), QStringLiteral("Search"));
    EXPECT_EQ(texts.count(), 0);
    EXPECT_EQ(scopes.count(), 0);

    // The user's typing and ticks go out, each edit once, with the whole value.
    QTest::keyClicks(field.lineEdit(), QStringLiteral(" bark"));
    ASSERT_EQ(texts.count(), 5);
    EXPECT_EQ(texts.last().at(0).toString(), QStringLiteral("tree bark"));

    field.setChoicesShown(true);
    clickBox(field.areaBox(SearchArea::keywords));
    clickBox(field.areaBox(SearchArea::roles));
    ASSERT_EQ(scopes.count(), 2);
    EXPECT_EQ(scopes.at(0).at(0).value<SearchScope>(), scopeWithout({}, false));
    EXPECT_EQ(scopes.at(1).at(0).value<SearchScope>(), scopeWithout({SearchArea::roles}, false));
    EXPECT_EQ(field.scope(), scopeWithout({SearchArea::roles}, false));
    clickBox(field.allFieldsBox());
    ASSERT_EQ(scopes.count(), 3);
    EXPECT_EQ(scopes.last().at(0).value<SearchScope>(), scopeWithout({SearchArea::roles}, true));
    EXPECT_EQ(texts.count(), 5);
}

TEST(SearchField, choicesOpenBelowTheMagnifierInTheirOrder) {
    test::ScopedSettings settings;
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* field = new SearchField(&window);
    row->addWidget(field);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QToolButton* button = field->choicesButton();
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Choose what search matches"));
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_FALSE(field->choicesShown());

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(field->choicesShown());
    QWidget* choices = field->choices();
    EXPECT_EQ(choices->windowType(), Qt::Popup);
    EXPECT_GE(choices->geometry().top(), button->mapToGlobal(QPoint(0, button->height())).y());

    QStringList expected{QStringLiteral("All fields"), QStringLiteral("—")};
    for (const SearchArea area : allSearchAreas())
        expected.append(title(area));
    expected.append(QStringLiteral("Turn off All fields to search only the ticked ones."));
    EXPECT_EQ(choicesTopToBottom(*field), expected);
    EXPECT_EQ(field->allFieldsBox()->font().weight(), QFont::DemiBold);
    EXPECT_EQ(field->areaBox(SearchArea::libraryName)->font().weight(), QFont::Normal);

    field->setChoicesShown(false);
    EXPECT_FALSE(choices->isVisible());
}

TEST(SearchField, sizeMarginsAndBacking) {
    test::ScopedSettings settings;
    SearchField field;
    EXPECT_EQ(field.minimumWidth(), 160);
    EXPECT_EQ(field.sizeHint().width(), 220);
    EXPECT_EQ(field.maximumWidth(), 280);
    EXPECT_EQ(field.layout()->contentsMargins(), QMargins(8, 4, 8, 4));
    EXPECT_FALSE(field.lineEdit()->hasFrame());

    // The primary colour at 6 % behind the row, with rounded corners: a corner pixel stays
    // clear, the middle of the left margin is tinted.
    field.resize(field.sizeHint());
    QImage picture(field.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    field.render(&picture, QPoint(), QRegion(), QWidget::RenderFlags());
    const QColor middle = picture.pixelColor(3, field.height() / 2);
    EXPECT_NEAR(middle.alphaF(), 0.06, 0.01);
    EXPECT_EQ(middle.rgb() & 0xffffff, field.palette().color(QPalette::WindowText).rgb() & 0xffffff);
    EXPECT_EQ(picture.pixelColor(0, 0).alpha(), 0);
}

TEST(SearchField, fontsFollowLargerText) {
    test::ScopedSettings settings;
    SearchField field;
    struct Case {
        bool larger;
        qreal body;
        qreal note;
    };
    const Case cases[] = {{false, 13.0, 10.0}, {true, 16.9, 13.0}, {false, 13.0, 10.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.larger);
        AppSettings::setComfortable(c.larger);
        EXPECT_NEAR(field.lineEdit()->font().pointSizeF(), c.body, 0.01);
        EXPECT_NEAR(field.allFieldsBox()->font().pointSizeF(), c.body, 0.01);
        EXPECT_EQ(field.allFieldsBox()->font().weight(), QFont::DemiBold);
        EXPECT_NEAR(field.areaBox(SearchArea::fcpVersion)->font().pointSizeF(), c.body, 0.01);
        EXPECT_NEAR(field.note()->font().pointSizeF(), c.note, 0.01);
    }
}
