// The prompts: the dialogs the program shows (driven offscreen, answered by the test as a user
// would) and the scripted stand-in tests answer with.

#include "Tests/Support/ScriptedPrompts.h"
#include "Tests/Support/TestEnv.h"
#include "Widgets/DialogPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

// Once the next modal dialog of type T is open, hands it to `act` (which answers it). Checks
// again on each turn of the event loop until it appears.
template <typename T> void whenOpen(std::function<void(T&)> act) {
    QTimer::singleShot(0, qApp, [act = std::move(act)] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            act(*dialog);
        else
            whenOpen<T>(act);
    });
}

QPushButton* buttonTitled(QMessageBox& box, const QString& title) {
    for (QAbstractButton* button : box.buttons()) {
        if (button->objectName() == title || button->text() == title)
            return qobject_cast<QPushButton*>(button);
    }
    return nullptr;
}

} // namespace

TEST(DialogPrompts, aDestructiveActionIsNeverTheDefaultAnswer) {
    QWidget window;
    DialogPrompts prompts(&window);
    struct Case {
        QList<Prompts::Action> actions;
        QString byDefault;
    };
    const Case cases[] = {
        {{{QStringLiteral("Move to Trash"), false, true}, {QStringLiteral("Cancel"), true}},
         QStringLiteral("Cancel")},
        {{{QStringLiteral("Delete"), false, true},
          {QStringLiteral("Keep"), false},
          {QStringLiteral("Cancel"), true}},
         QStringLiteral("Keep")},
    };
    for (const Case& c : cases) {
        QString defaultTitle;
        QMessageBox::ButtonRole destructiveRole = QMessageBox::InvalidRole;
        whenOpen<QMessageBox>([&](QMessageBox& box) {
            defaultTitle = box.defaultButton() ? box.defaultButton()->objectName() : QString();
            QPushButton* destructive = buttonTitled(box, c.actions.first().title);
            destructiveRole = box.buttonRole(destructive);
            destructive->click();
        });
        EXPECT_EQ(
            prompts.confirm(QStringLiteral("Delete it?"), QStringLiteral("It cannot be undone."), c.actions),
            c.actions.first().title);
        EXPECT_EQ(defaultTitle, c.byDefault);
        EXPECT_EQ(destructiveRole, QMessageBox::DestructiveRole);
    }
}

TEST(DialogPrompts, anActionMarkedAsTheDefaultIsWhatReturnGivesTheStyleSetsTheIconAndTheOrderStays) {
    QWidget window;
    DialogPrompts prompts(&window);
    using Style = Prompts::Style;
    struct Case {
        QList<Prompts::Action> actions;
        Style style;
        QString byDefault;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        // The careful answer first, as the backup-drive warning offers it.
        {{{QStringLiteral("Cancel"), true, false, true}, {QStringLiteral("Open Anyway")}},
         Style::warning,
         QStringLiteral("Cancel"),
         QMessageBox::Warning},
        {{{QStringLiteral("Keep Waiting"), false, false, true}, {QStringLiteral("Park DeRoom and Reopen")}},
         Style::critical,
         QStringLiteral("Keep Waiting"),
         QMessageBox::Critical},
        {{{QStringLiteral("Park DeRoom and Open"), false, false, true},
          {QStringLiteral("Cancel"), true},
          {QStringLiteral("Open Anyway")}},
         Style::warning,
         QStringLiteral("Park DeRoom and Open"),
         QMessageBox::Warning},
        // A mark on a destructive action does not make it the default.
        {{{QStringLiteral("Delete"), false, true, true}, {QStringLiteral("Keep")}},
         Style::question,
         QStringLiteral("Keep"),
         QMessageBox::Question},
    };
    for (const Case& c : cases) {
        QString defaultTitle;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList order;
        whenOpen<QMessageBox>([&](QMessageBox& box) {
            defaultTitle = box.defaultButton() ? box.defaultButton()->objectName() : QString();
            icon = box.icon();
            QList<QAbstractButton*> buttons = box.buttons();
            std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
                return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
            });
            for (QAbstractButton* button : buttons)
                order.append(button->objectName());
            box.defaultButton()->click();
        });
        EXPECT_EQ(prompts.confirm(QStringLiteral("Title"), QStringLiteral("Text"), c.actions, c.style),
                  c.byDefault);
        EXPECT_EQ(defaultTitle, c.byDefault);
        EXPECT_EQ(icon, c.icon);
        QStringList given;
        for (const Prompts::Action& action : c.actions)
            given.append(action.title);
        EXPECT_EQ(order, given);
    }
}

TEST(DialogPrompts, tellShowsItsTextWithOneOkButton) {
    QWidget window;
    DialogPrompts prompts(&window);
    QStringList buttons;
    QString text;
    whenOpen<QMessageBox>([&](QMessageBox& box) {
        for (QAbstractButton* button : box.buttons())
            buttons.append(button->text());
        text = box.text() + QStringLiteral(" / ") + box.informativeText();
        box.buttons().first()->click();
    });
    prompts.tell(QStringLiteral("Final Cut Pro is running"), QStringLiteral("Quit it first."));
    EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(text, QStringLiteral("Final Cut Pro is running / Quit it first."));
}

TEST(DialogPrompts, chooseSaveFileOffersTheNameInTheFolderAndAnswersWithThePath) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("save-choice"));
    QWidget window;
    DialogPrompts prompts(&window);
    struct Case {
        QString message;
        bool cancel;
    };
    const Case cases[] = {
        {QStringLiteral("Where should the list go?"), false},
        {QString(), false},
        {QString(), true},
    };
    for (const Case& c : cases) {
        QString offeredFolder;
        QStringList offeredFiles;
        bool messageShown = false;
        whenOpen<QFileDialog>([&](QFileDialog& dialog) {
            offeredFolder = dialog.directory().absolutePath();
            offeredFiles = dialog.selectedFiles();
            for (QLabel* label : dialog.findChildren<QLabel*>())
                messageShown = messageShown || (!c.message.isEmpty() && label->text() == c.message);
            if (c.cancel)
                dialog.reject();
            else
                static_cast<QDialog&>(dialog).accept(); // the file dialog's own, through its public base
        });
        const std::optional<QString> chosen =
            prompts.chooseSaveFile(QStringLiteral("fcp-libraries.csv"), folder, c.message);
        EXPECT_EQ(QDir(offeredFolder), QDir(folder));
        ASSERT_EQ(offeredFiles.size(), 1);
        EXPECT_EQ(QFileInfo(offeredFiles.first()).fileName(), QStringLiteral("fcp-libraries.csv"));
        EXPECT_EQ(messageShown, !c.message.isEmpty());
        if (c.cancel)
            EXPECT_EQ(chosen, std::nullopt);
        else
            EXPECT_EQ(chosen, QDir(folder).filePath(QStringLiteral("fcp-libraries.csv")));
    }
}

TEST(ScriptedPrompts, recordsNotesDestructiveActionsAndSaveChoicesAndAnswersInTurn) {
    test::ScriptedPrompts prompts;
    prompts.answers = {QStringLiteral("Move to Trash")};
    prompts.saveFiles = {QStringLiteral("/tmp/out.csv")};

    prompts.tell(QStringLiteral("Eject failed"), QStringLiteral("The drive is in use."));
    EXPECT_EQ(
        prompts.confirm(QStringLiteral("Remove?"), QString(),
                        {{QStringLiteral("Move to Trash"), false, true}, {QStringLiteral("Cancel"), true}}),
        QStringLiteral("Move to Trash"));
    EXPECT_EQ(prompts.confirm(QStringLiteral("Again?"), QString(), {{QStringLiteral("OK")}}), std::nullopt);
    EXPECT_EQ(prompts.chooseSaveFile(QStringLiteral("a.csv"), QStringLiteral("/home"), QString()),
              QStringLiteral("/tmp/out.csv"));
    EXPECT_EQ(
        prompts.chooseSaveFile(QStringLiteral("b.csv"), QStringLiteral("/data"), QStringLiteral("Where?")),
        std::nullopt);

    ASSERT_EQ(prompts.notes.size(), 1);
    EXPECT_EQ(prompts.notes[0].title, QStringLiteral("Eject failed"));
    EXPECT_EQ(prompts.notes[0].text, QStringLiteral("The drive is in use."));
    ASSERT_EQ(prompts.questions.size(), 2);
    EXPECT_EQ(test::ScriptedPrompts::titles(prompts.questions[0]),
              (QStringList{"Move to Trash (destructive)", "Cancel (cancel)"}));
    ASSERT_EQ(prompts.saveChoices.size(), 2);
    EXPECT_EQ(prompts.saveChoices[1].suggestedName, QStringLiteral("b.csv"));
    EXPECT_EQ(prompts.saveChoices[1].startFolder, QStringLiteral("/data"));
    EXPECT_EQ(prompts.saveChoices[1].message, QStringLiteral("Where?"));
}
