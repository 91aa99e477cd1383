#pragma once

#include "Manual/ManualWindowState.h"

#include <QMap>
#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QTextDocument;
class QTimer;

namespace pellimor {

// The manual window's page: the styled text of the shown document, read-only and selectable,
// on the window's own background. The window hands it plain values on every change; it loads
// the page only when the HTML differs from the last one (then from its top), and jumps or finds
// only when the window's counter moved (ManualPageState).
//
// Links never navigate the browser: a link into the manual jumps to its heading, "http", "https"
// and "mailto" links (their scheme exactly as written) open through the file manager, anything
// else does nothing.
//
// Main thread only.
class ManualText : public QTextBrowser {
    Q_OBJECT
public:
    struct Inputs {
        QString html;
        std::optional<QUrl> baseURL;
        QMap<QString, QString> headings;
        QString jump;
        int jumpTick = 0;
        QString find;
        int findTick = 0;
    };

    explicit ManualText(QWidget* parent = nullptr);
    ~ManualText() override;

    void update(const Inputs& inputs);

    // Scrolls the heading with `id` to just below the top edge and flashes it; an unknown id or
    // a title that stands on no line of its own does nothing.
    void scrollToHeading(const QString& id);
    // Selects, reveals and flashes the next occurrence of `text` after the selection, wrapping
    // once; beeps and keeps the selection when there is none.
    void findNext(const QString& text);
    // What a click on the link `href` (as the page carries it) does.
    void followLink(const QString& href);

    // The sound of a find that found nothing; tests put their own in. Returns the one before.
    static std::function<void()> setBeep(std::function<void()> beep);

    // The text shown when a page cannot be laid out.
    static QString notShownText();

    // The span last flashed (a jump's title or a find's match), for as long as the flash lasts.
    std::optional<TextSpan> flashed() const { return m_flash; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void load(const QString& html, const std::optional<QUrl>& baseURL);
    void flash(const TextSpan& span);

    ManualPageState m_state;
    std::unique_ptr<QTextDocument> m_page;
    QString m_pressedAnchor;
    std::optional<TextSpan> m_flash;
    QTimer* m_flashTimer = nullptr;
};

} // namespace pellimor
