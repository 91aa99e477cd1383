#include "Widgets/UiFont.h"

#include "App/AppSettings.h"
#include "App/Appearance.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"

#include <QApplication>
#include <QGuiApplication>
#include <QObject>
#include <QScreen>

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

double pixels(double points) {
    // The resolution fonts are laid out at: the primary screen's logical one, as for QFont's
    // own point sizes; 96 without a screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return points * dpi / 72.0;
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
