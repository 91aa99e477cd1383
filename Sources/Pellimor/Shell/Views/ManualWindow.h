#pragma once

#include <QWidget>

namespace pellimor {

// The manual window "Tovlin Manual". At most one exists; the application opens it or brings
// it forward. Its pages come with the manual; until then it shows its title.
//
// Main thread only.
class ManualWindow : public QWidget {
    Q_OBJECT
public:
    explicit ManualWindow(QWidget* parent = nullptr);
};

} // namespace pellimor
