#include "Widgets/GrowToFit.h"

#include <QLayout>
#include <QWidget>

namespace pellimor {

void growToFit(QWidget* window) {
    QLayout* layout = window->layout();
    if (!layout)
        return;
    const int wanted = layout->hasHeightForWidth() ? layout->totalHeightForWidth(window->width())
                                                   : layout->totalSizeHint().height();
    if (wanted > window->height())
        window->resize(window->width(), wanted);
}

} // namespace pellimor
