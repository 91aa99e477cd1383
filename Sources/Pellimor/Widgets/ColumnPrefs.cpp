#include "Widgets/ColumnPrefs.h"

#include "App/ColumnLayout.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonParseError>
#include <algorithm>
#include <optional>

namespace pellimor::ColumnPrefs {

QString key(const QString& name) {
    return QStringLiteral("columns.") + name;
}

QJsonObject load(const QString& name) {
    const std::shared_ptr<platform::SettingsStore> settings = platform::services().settings;
    if (!settings)
        return {};
    const std::optional<QByteArray> data = settings->data(key(name));
    if (!data)
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    return document.object();
}

void save(const QJsonObject& customization, const QString& name) {
    const std::shared_ptr<platform::SettingsStore> settings = platform::services().settings;
    if (!settings)
        return;
    settings->setData(key(name), QJsonDocument(customization).toJson(QJsonDocument::Compact));
}

void apply(QHeaderView& header, const QJsonObject& customization, const QStringList& declared,
           const QSet<QString>& hiddenByDefault) {
    const int sections = header.count();
    const int columns = std::min<int>(sections, int(declared.size()));

    int position = 0;
    QSet<int> placed;
    for (const QString& id : ColumnLayout::order(customization, declared)) {
        const int logical = int(declared.indexOf(id));
        // A column named twice keeps its first place.
        if (logical < 0 || logical >= columns || placed.contains(logical))
            continue;
        placed.insert(logical);
        const int from = header.visualIndex(logical);
        if (from != position)
            header.moveSection(from, position);
        ++position;
    }

    const QSet<QString> hidden = ColumnLayout::hidden(customization, hiddenByDefault);
    for (int logical = 0; logical < columns; ++logical)
        header.setSectionHidden(logical, hidden.contains(declared.at(logical)));
}

QJsonObject capture(const QHeaderView& header, const QStringList& declared,
                    const QSet<QString>& hiddenByDefault, const QJsonObject& previous) {
    const int columns = std::min<int>(header.count(), int(declared.size()));
    QStringList order;
    QSet<QString> hidden;
    for (int visual = 0; visual < header.count(); ++visual) {
        const int logical = header.logicalIndex(visual);
        if (logical < 0 || logical >= columns)
            continue;
        const QString& id = declared.at(logical);
        order.append(id);
        if (header.isSectionHidden(logical))
            hidden.insert(id);
    }
    return ColumnLayout::arranged(previous, order, hidden, hiddenByDefault);
}

} // namespace pellimor::ColumnPrefs
