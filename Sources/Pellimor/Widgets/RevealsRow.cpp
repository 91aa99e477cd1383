#include "Widgets/RevealsRow.h"

#include "App/AppAction.h"
#include "App/NotificationHub.h"
#include "Platform/Clock.h"
#include "Platform/Services.h"

#include <QAbstractItemView>
#include <QPointer>
#include <chrono>

namespace pellimor {

namespace {

constexpr std::chrono::milliseconds kDelay(250);

} // namespace

void revealsRow(QAbstractItemView* view, std::function<QModelIndex(const QString& id)> rowOfId) {
    if (!view || !rowOfId)
        return;
    QObject::connect(
        &NotificationHub::shared(), &NotificationHub::posted, view,
        [view, rowOfId = std::move(rowOfId)](const QString& name, const std::optional<QString>& object) {
            if (name != AppAction::revealRow() || !object)
                return;
            const std::shared_ptr<platform::Clock> clock = platform::services().clock;
            if (!clock)
                return;
            clock->after(kDelay, view, [view, rowOfId, id = *object] {
                const QModelIndex index = rowOfId(id);
                if (index.isValid() && index.model() == view->model())
                    view->scrollTo(index, QAbstractItemView::PositionAtCenter);
            });
        });
}

} // namespace pellimor
