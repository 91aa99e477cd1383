#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace pellimor {

class Catalog;

// The content of the "Report a Problem" window: a box for the user's own account, the switch
// that hides private names in the error log, the exact text that will be sent with its length,
// and the buttons that show the log, copy the report and send it by e-mail.
//
// The report is the note section (following every keystroke) followed by the details: the
// facts and the error-log excerpt, read again only when the view is shown anew and when the
// switch changes, each time with a fresh name hider, so stand-ins number from 1. Bringing an
// open window forward reads nothing again.
//
// Main thread only. `catalog` must outlive the view.
class ReportProblemView : public QWidget {
    Q_OBJECT
public:
    explicit ReportProblemView(const Catalog& catalog, QWidget* parent = nullptr);

    // The whole text that "Copy" and "Email Report…" hand on.
    QString report() const;

    // "N characters": the report's length in characters as the user sees them.
    static QString lengthText(const QString& report);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void showReport();
    void setCopied(bool copied);
    void copy();
    void email(const QString& report);
    void applyLook();

    const Catalog& m_catalog;
    QString m_details;
    bool m_copied = false;

    QLabel* m_heading = nullptr;
    QPlainTextEdit* m_note = nullptr;
    QCheckBox* m_hideNames = nullptr;
    QLabel* m_sentHeading = nullptr;
    QLabel* m_length = nullptr;
    QPlainTextEdit* m_report = nullptr;
    QLabel* m_footnote = nullptr;
    QPushButton* m_showLog = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_email = nullptr;
};

} // namespace pellimor
