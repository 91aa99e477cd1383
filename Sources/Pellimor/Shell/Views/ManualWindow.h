#pragma once

#include <QWidget>

namespace pellimor {

class ManualView;

// The manual window "Tovlin Manual": the manual's view. At most one exists; the application
// opens it or brings it forward. Closing it ends what it showed (the question, the answer
// panel, the place in the page); the document chosen and "Larger Text" are kept in the
// settings, so the next opening starts from them.
//
// Main thread only.
class ManualWindow : public QWidget {
    Q_OBJECT
public:
    explicit ManualWindow(QWidget* parent = nullptr);

    ManualView& view() const { return *m_view; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ManualView* m_view = nullptr;
};

} // namespace pellimor
