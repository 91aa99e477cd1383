#include "Widgets/UiFont.h"

#include "App/AppSettings.h"
#include "App/Appearance.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

#include <QApplication>
#include <QObject>

namespace pellimor::UiFont {

QFont font(qreal points, std::optional<QFont::Weight> weight, double scale) {
    QFont result = QApplication::font();
    result.setPointSizeF(points * scale);
    result.setWeight(weight.value_or(QFont::Normal));
    return result;
}

QFont font(qreal points, std::optional<QFont::Weight> weight) {
    return font(points, weight, scale());
}

double scale() {
    return Appearance::fontScale(AppSettings::comfortable());
}

void watchComfortableText(QObject* context, std::function<void()> refont) {
    const auto settings = platform::services().settings;
    if (!settings || !context)
        return;
    QObject::connect(settings.get(), &platform::SettingsStore::changed, context,
                     [refont = std::move(refont)](const QString& key) {
                         if (key == AppSettings::Key::comfortableText)
                             refont();
                     });
}

} // namespace pellimor::UiFont
