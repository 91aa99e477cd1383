#include "Shell/Views/WindowLook.h"

#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>
#include <memory>

namespace pellimor::WindowLook {

namespace {

// A palette with every role of every group set explicitly, so that setting it on a window
// overrides everything the window would otherwise inherit.
QPalette explicitCopy(const QPalette& source) {
    QPalette palette;
    for (int g = 0; g < QPalette::NColorGroups; ++g) {
        const auto group = static_cast<QPalette::ColorGroup>(g);
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            const auto role = static_cast<QPalette::ColorRole>(r);
            palette.setBrush(group, role, source.brush(group, role));
        }
    }
    return palette;
}

const QString& platformStyleName() {
    // Taken the first time a scheme is applied, before this code ever changed the style.
    static const QString name = QApplication::style() ? QApplication::style()->name() : QString();
    return name;
}

} // namespace

QPalette darkPalette() {
    const QColor window(53, 53, 53);
    const QColor base(36, 36, 36);
    const QColor text(236, 236, 236);
    const QColor disabled(127, 127, 127);
    const QColor accent(42, 130, 218);

    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    p.setColor(QPalette::ToolTipBase, QColor(60, 60, 60));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(255, 80, 80));
    p.setColor(QPalette::Light, QColor(80, 80, 80));
    p.setColor(QPalette::Midlight, QColor(66, 66, 66));
    p.setColor(QPalette::Mid, QColor(44, 44, 44));
    p.setColor(QPalette::Dark, QColor(30, 30, 30));
    p.setColor(QPalette::Shadow, QColor(15, 15, 15));
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(90, 160, 240));
    p.setColor(QPalette::LinkVisited, QColor(160, 120, 230));
    p.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
    p.setColor(QPalette::Disabled, QPalette::Text, disabled);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(80, 80, 80));
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, disabled);
    return explicitCopy(p);
}

QPalette lightPalette() {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return explicitCopy(fusion ? fusion->standardPalette() : QPalette(Qt::white));
}

void applyPalette(QWidget* window, Appearance::ColorScheme scheme) {
    if (!window)
        return;
    QPalette palette; // empty: clears the widget's own, so it inherits the application's again
    if (scheme == Appearance::ColorScheme::dark)
        palette = darkPalette();
    else if (scheme == Appearance::ColorScheme::light)
        palette = lightPalette();
    window->setPalette(palette);
    // Menus pop up as windows of their own and inherit nothing from the window they belong to.
    for (QMenu* menu : window->findChildren<QMenu*>())
        menu->setPalette(palette);
}

void applyApplicationStyle(Appearance::ColorScheme scheme) {
    const QString wanted =
        scheme == Appearance::ColorScheme::system ? platformStyleName() : QStringLiteral("Fusion");
    if (wanted.isEmpty() || !QApplication::style() ||
        QApplication::style()->name().compare(wanted, Qt::CaseInsensitive) == 0)
        return; // changing the style repolishes every widget: only when it differs
    QApplication::setStyle(wanted);
}

} // namespace pellimor::WindowLook
