#pragma once

#include "App/TextMeasurer.h"

namespace pellimor {

// Measures with the fonts the views draw with: the interface font (UiFont) at the size and
// weight asked, through QFontMetricsF. Needs a QGuiApplication; main thread only.
class UiTextMeasurer final : public TextMeasurer {
public:
    double width(const QString& text, double points, Weight weight) const override;
};

} // namespace pellimor
