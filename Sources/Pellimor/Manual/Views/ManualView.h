#pragma once

#include "Manual/ManualDoc.h"
#include "Manual/ManualWindowState.h"
#include "Manual/MarkdownHTML.h"

#include <QString>
#include <QWidget>
#include <optional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTextBrowser;

namespace pellimor {

class BusySpinner;
class ManualText;

// The content of the manual window: the switch between the manual and its "What's New" notes
// (the stored "manualDoc"), a question field with "Ask" and "Find", the answer panel while a
// question has been asked, the contents list beside the page, and the version line.
//
// A question lists the manual's sections that answer it at once and scrolls to the best one;
// a written answer from the language model follows when one can be had, one at a time. What
// everything shows is decided by ManualPanel; this view draws it.
//
// The page follows "Larger Text" and the window's light or dark look. Main thread only.
class ManualView : public QWidget {
    Q_OBJECT
public:
    explicit ManualView(QWidget* parent = nullptr);

    // "Ask" and Return in the question field.
    void ask();

    const ManualPanel& panel() const { return m_panel; }
    ManualText* page() const { return m_page; }

protected:
    void changeEvent(QEvent* event) override;

private:
    struct Document {
        ManualDoc doc = ManualDoc::manual;
        std::optional<QString> text;
        MarkdownHTML::Rendered rendered;
    };

    void buildTopBar();
    void buildAnswerPanel();
    void buildPageArea();
    void refont();
    void showDocument();
    void refresh();
    void refreshPanel();
    void refreshPage();
    void writeAnswer(const QString& question, const QList<ManualSection>& matches, bool secondAttempt);
    void jumpTo(const QString& id);

    ManualPanel m_panel;
    std::optional<Document> m_document;
    QList<MarkdownHTML::ContentsEntry> m_listed;
    QList<ManualSection> m_buttonsFor;
    QString m_answerShown;

    QButtonGroup* m_segments = nullptr;
    QLineEdit* m_question = nullptr;
    QPushButton* m_ask = nullptr;
    QPushButton* m_find = nullptr;

    QWidget* m_answerPanel = nullptr;
    QLabel* m_header = nullptr;
    QPushButton* m_close = nullptr;
    QWidget* m_progressRow = nullptr;
    BusySpinner* m_spinner = nullptr;
    QLabel* m_writing = nullptr;
    QTextBrowser* m_answer = nullptr;
    QLabel* m_answerNote = nullptr;
    QWidget* m_sourcesRow = nullptr;
    QLabel* m_sourcesLabel = nullptr;
    QWidget* m_sourceButtons = nullptr;
    QLabel* m_noMatch = nullptr;
    QLabel* m_aiNote = nullptr;

    QStackedWidget* m_pageArea = nullptr;
    QSplitter* m_splitter = nullptr;
    QListWidget* m_contents = nullptr;
    ManualText* m_page = nullptr;
    QLabel* m_missingTitle = nullptr;
    QLabel* m_missingText = nullptr;
    QLabel* m_version = nullptr;
};

} // namespace pellimor
