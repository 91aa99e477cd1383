#include "Widgets/ToolbarContrast.h"

#include "Tests/Support/EventLoop.h"
#include "Widgets/ToolbarContrastProbe.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

const QColor kDarkText(236, 236, 236);
const QColor kDarkEmphasis(255, 255, 255);
const QColor kOwnTint(52, 199, 89);

QPalette darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(53, 53, 53));
    palette.setColor(QPalette::WindowText, kDarkText);
    palette.setColor(QPalette::Button, QColor(53, 53, 53));
    palette.setColor(QPalette::ButtonText, kDarkText);
    palette.setColor(QPalette::HighlightedText, kDarkEmphasis);
    return palette;
}

QPalette lightPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(239, 239, 239));
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Button, QColor(239, 239, 239));
    palette.setColor(QPalette::ButtonText, Qt::black);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

// Counts palette writes on the buttons it watches.
class PaletteWrites : public QObject {
public:
    int count = 0;
    void watch(QWidget* widget) { widget->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange)
            ++count;
        return false;
    }
};

// A main window with a toolbar like the program's: titled buttons, an icon-only one, the
// working-drives button with its own green tint, a two-segment exclusive group; and a titled
// button outside the toolbar.
struct Window {
    QMainWindow window;
    QToolBar* toolbar = nullptr;
    QToolButton* scan = nullptr;
    QToolButton* date = nullptr;
    QToolButton* iconOnly = nullptr;
    QToolButton* working = nullptr;
    QToolButton* libraries = nullptr;
    QToolButton* browser = nullptr;
    QPushButton* outside = nullptr;
    QAction* browserAction = nullptr;

    Window() {
        toolbar = window.addToolBar(QStringLiteral("Main"));
        auto* tabs = new QActionGroup(toolbar);
        tabs->setExclusive(true);
        QAction* librariesAction = toolbar->addAction(QStringLiteral("Libraries"));
        browserAction = toolbar->addAction(QStringLiteral("Browser"));
        for (QAction* action : {librariesAction, browserAction}) {
            action->setCheckable(true);
            tabs->addAction(action);
        }
        librariesAction->setChecked(true);
        libraries = button(librariesAction);
        browser = button(browserAction);

        scan = button(toolbar->addAction(QStringLiteral("Scan")));
        date = button(toolbar->addAction(QStringLiteral("Modified")));
        iconOnly = button(toolbar->addAction(QIcon(), QString()));

        working = new QToolButton;
        working->setText(QStringLiteral("Working"));
        working->setAccessibleName(QStringLiteral("Working drives only"));
        QPalette own = working->palette();
        own.setColor(QPalette::ButtonText, kOwnTint);
        working->setPalette(own);
        toolbar->addWidget(working);

        // The date button's owner gave it a colour of its own for another role.
        QPalette dateOwn = date->palette();
        dateOwn.setColor(QPalette::Base, Qt::magenta);
        date->setPalette(dateOwn);

        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        outside = new QPushButton(QStringLiteral("Outside"));
        layout->addWidget(outside);
        window.setCentralWidget(central);
    }

    QToolButton* button(QAction* action) {
        return qobject_cast<QToolButton*>(toolbar->widgetForAction(action));
    }
};

bool tinted(const QAbstractButton* button) {
    return button->palette().isBrushSet(QPalette::Active, QPalette::ButtonText);
}

} // namespace

TEST(ToolbarContrast, darkTintsTitledToolbarButtonsAndLightClearsThem) {
    Window w;
    ASSERT_TRUE(ToolbarContrast::install());
    ASSERT_TRUE(ToolbarContrast::install()); // also when already in force
    EXPECT_TRUE(ToolbarContrast::installed());

    EXPECT_TRUE(ToolbarContrast::inToolbar(w.scan));
    EXPECT_FALSE(ToolbarContrast::inToolbar(w.outside));
    EXPECT_TRUE(ToolbarContrast::isProtected(w.working));
    EXPECT_TRUE(ToolbarContrast::isSegment(w.browser));
    EXPECT_FALSE(ToolbarContrast::isSegment(w.scan));

    w.window.setPalette(darkPalette());
    ToolbarContrast::apply(&w.window);
    for (QAbstractButton* titled :
         {static_cast<QAbstractButton*>(w.scan), static_cast<QAbstractButton*>(w.date)}) {
        EXPECT_TRUE(tinted(titled)) << titled->text().toStdString();
        EXPECT_EQ(titled->palette().color(QPalette::Active, QPalette::ButtonText), kDarkText);
        EXPECT_EQ(titled->palette().color(QPalette::Inactive, QPalette::ButtonText), kDarkText);
    }
    EXPECT_FALSE(tinted(w.iconOnly));
    EXPECT_EQ(w.working->palette().color(QPalette::ButtonText), kOwnTint);
    EXPECT_FALSE(tinted(w.outside));
    // Segments: the unselected one draws a light label, the selected one keeps the style's.
    EXPECT_FALSE(tinted(w.libraries));
    EXPECT_TRUE(tinted(w.browser));
    EXPECT_EQ(w.browser->palette().color(QPalette::ButtonText), kDarkEmphasis);

    // A second pass over an unchanged window writes nothing (so it cannot feed itself).
    PaletteWrites writes;
    for (QWidget* button : w.toolbar->findChildren<QAbstractButton*>())
        writes.watch(button);
    ToolbarContrast::apply(&w.window);
    EXPECT_EQ(writes.count, 0);

    // Selecting the other segment swaps them.
    w.browserAction->setChecked(true);
    ToolbarContrast::apply(&w.window);
    EXPECT_TRUE(tinted(w.libraries));
    EXPECT_FALSE(tinted(w.browser));

    w.window.setPalette(lightPalette());
    ToolbarContrast::apply(&w.window);
    for (QAbstractButton* button : w.toolbar->findChildren<QAbstractButton*>()) {
        if (button != w.working) {
            EXPECT_FALSE(tinted(button)) << button->text().toStdString();
        }
    }
    EXPECT_EQ(w.scan->palette().color(QPalette::ButtonText), QColor(Qt::black));
    EXPECT_EQ(w.working->palette().color(QPalette::ButtonText), kOwnTint);
    // What the owner set stays.
    EXPECT_TRUE(w.date->palette().isBrushSet(QPalette::Active, QPalette::Base));
    EXPECT_EQ(w.date->palette().color(QPalette::Base), QColor(Qt::magenta));

    ToolbarContrast::apply(nullptr); // no window: nothing
}

TEST(ToolbarContrast, theProbeFollowsTheLookWithoutATimer) {
    Window w;
    auto* probe = new ToolbarContrastProbe(&w.window);
    w.window.setPalette(darkPalette());
    w.window.show();
    ASSERT_TRUE(test::waitUntil([&] { return tinted(w.scan); }));
    EXPECT_TRUE(ToolbarContrast::installed()); // showing put the segment rule in force
    EXPECT_TRUE(tinted(w.browser));

    w.browserAction->setChecked(true); // a toolbar update
    ASSERT_TRUE(test::waitUntil([&] { return tinted(w.libraries) && !tinted(w.browser); }));

    w.window.setPalette(lightPalette());
    ASSERT_TRUE(test::waitUntil([&] { return !tinted(w.scan) && !tinted(w.libraries); }));
    EXPECT_GT(probe->passes(), 0);
}

TEST(ToolbarContrast, triggersInOneTurnMakeOnePass) {
    Window w; // never shown: no repaints of its own
    ToolbarContrastProbe probe(&w.window);
    probe.schedule();
    probe.schedule();
    w.window.setPalette(darkPalette()); // a palette change schedules too
    probe.schedule();
    QCoreApplication::sendPostedEvents(&probe, QEvent::MetaCall);
    EXPECT_EQ(probe.passes(), 1);
    EXPECT_TRUE(tinted(w.scan));

    probe.schedule();
    QCoreApplication::sendPostedEvents(&probe, QEvent::MetaCall);
    EXPECT_EQ(probe.passes(), 2);
}
