#pragma once

#include "App/TextMeasurer.h"

#include <QList>
#include <QString>

namespace pellimor::test {

// A text measurer without fonts: each code unit is half the point size wide, plus a quarter
// pixel so that rounding up shows. It records every text it was asked to render, with the
// size and weight, in order.
class RecordingMeasurer final : public TextMeasurer {
public:
    struct Rendered {
        QString text;
        double points = 0;
        Weight weight = Weight::regular;
    };

    double width(const QString& text, double points, Weight weight) const override {
        rendered.append({text, points, weight});
        return widthOf(text, points);
    }

    // What width() answers, without recording.
    static double widthOf(const QString& text, double points) {
        return double(text.size()) * points / 2 + 0.25;
    }

    QStringList texts() const {
        QStringList list;
        for (const Rendered& r : rendered)
            list.append(r.text);
        return list;
    }

    mutable QList<Rendered> rendered;
};

} // namespace pellimor::test
