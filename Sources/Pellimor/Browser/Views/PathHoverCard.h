#pragma once

#include "Browser/HoverCardTiming.h"

#include <QFrame>
#include <QRect>
#include <QString>
#include <optional>

class QPushButton;
class QTextEdit;

namespace pellimor {

// The card a library's path cell opens when the pointer rests on its text: the library's full
// path (selectable, wrapped within 480 points), "Open in Finder" while the drive is online, and
// "Copy Path", which reads "Copied" until the card closes. The timing is HoverCardTiming's.
//
// The cells it serves are painted, not widgets, so the view that owns the card follows the
// pointer through its viewport's mouse tracking and reports where it is (pointerAt). The card
// is a frameless window of its own below the text, shown without taking the focus or grabbing
// the pointer, so the view still sees the pointer leave the text and the card sees it come in.
// It is a child of the view: its waits end with the view, and the view forgets the card's row
// when the row leaves the tree (forget).
//
// Main thread only.
class PathHoverCard final : public QFrame {
    Q_OBJECT
public:
    static constexpr int kMaxWidth = 480; // points
    static constexpr int kPadding = 12;
    static constexpr int kSpacing = 8;
    static constexpr int kGap = 2; // between the text and the card

    // The path text of one library row under the pointer.
    struct Target {
        QString rowId;    // the row's identifier: the library's path
        QString fullPath; // shown and used by both buttons
        bool online = false;
        QRect anchor; // the text's area, in global coordinates: the card opens below it

        bool operator==(const Target&) const = default;
    };

    explicit PathHoverCard(QWidget* view);

    // Where the pointer is now: over the path text of a row, or not over any. A text of another
    // row stands for another cell: the card closes at once and starts again for it.
    void pointerAt(const std::optional<Target>& target);
    // The row the card stands for left the tree (or the view was hidden): closed, nothing pending.
    void forget();

    // The row the card stands for; empty when none.
    QString rowId() const { return m_target ? m_target->rowId : QString(); }
    const HoverCardTiming& timing() const { return m_timing; }
    QTextEdit* pathText() const { return m_path; }
    QPushButton* openButton() const { return m_open; }
    QPushButton* copyButton() const { return m_copy; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void follow();
    void fill();

    HoverCardTiming m_timing;
    std::optional<Target> m_target;
    bool m_overText = false;
    QTextEdit* m_path = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_copy = nullptr;
};

} // namespace pellimor
