#pragma once

#include "Compare/CompareDetail.h"

#include <QScrollArea>

namespace pellimor {

// The panel below the Compare table: one group's name with its symbol, the verdict, the
// original-media line and the projects that differ, in a scroll area on the window's
// background. It builds its content again only when the detail or the look changes.
//
// Main thread only.
class CompareDetailPanel final : public QScrollArea {
    Q_OBJECT
public:
    explicit CompareDetailPanel(QWidget* parent = nullptr);

    void setDetail(const CompareDetail& detail);
    const CompareDetail& detail() const { return m_detail; }

    // The texts shown, one per line, for tests and screen readers alike.
    QStringList shownTexts() const;

    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void build();
    void rebuildLater();

    CompareDetail m_detail;
    bool m_built = false;
    bool m_rebuildPending = false;
};

} // namespace pellimor
