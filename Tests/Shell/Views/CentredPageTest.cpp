#include "Shell/Views/CentredPage.h"

#include <QApplication>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

// The page's text is set while another page is showing, as the window does for its tabs; once
// shown, the text must have the height its wrapped lines need.
TEST(CentredPage, ALongerTextSetLaterGetsEveryLineItWrapsTo) {
    QStackedWidget stack;
    stack.resize(900, 600);
    stack.addWidget(new QLabel(QStringLiteral("another page")));
    auto* page = new QWidget(&stack);
    QVBoxLayout* column = CentredPage::layout(page, 10);
    CentredPage::add(column, CentredPage::label(QStringLiteral("Plug-ins"), page, 17, QFont::Bold));
    QLabel* text = CentredPage::secondaryLabel(QString(), page);
    CentredPage::add(column, text);
    column->addStretch();
    stack.addWidget(page);
    stack.show();
    QApplication::processEvents();

    text->setText(
        QStringLiteral("The plug-ins that the 5 listed libraries use will be shown here, and a good "
                       "deal more besides, so that this line has to wrap."));
    stack.setCurrentWidget(page);
    QApplication::processEvents();

    ASSERT_GT(text->heightForWidth(text->width()), text->fontMetrics().height()) << "the text should wrap";
    EXPECT_GE(text->height(), text->heightForWidth(text->width()));
    EXPECT_LE(text->width(), 420);
    EXPECT_GT(text->x(), 0) << "centred, not at the page's edge";
}

} // namespace
