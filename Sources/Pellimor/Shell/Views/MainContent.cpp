#include "Shell/Views/MainContent.h"

#include "Catalogue/Catalog.h"

#include <QLabel>

namespace pellimor {

QWidget* makeMainContent(Catalog& catalog) {
    auto* label = new QLabel;
    label->setObjectName(QStringLiteral("mainPlaceholder"));
    label->setAlignment(Qt::AlignCenter);
    const auto describe = [label, &catalog] {
        const qsizetype count = catalog.libraries().size();
        label->setText(count == 0 ? QStringLiteral("No libraries yet")
                                  : QStringLiteral("%1 libraries in the catalogue").arg(count));
    };
    describe();
    QObject::connect(&catalog, &Catalog::librariesChanged, label, describe);
    return label;
}

} // namespace pellimor
