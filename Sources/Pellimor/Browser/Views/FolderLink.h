#pragma once

#include <QAbstractButton>
#include <QStringList>

namespace pellimor {

// A button drawn as a link: a path on at most two lines, leading-aligned, shortened at its
// start when longer (the end of a path says most), in the accent colour, grey while disabled.
// Its height follows its width, as a wrapping label's does. Main thread only.
class FolderLink : public QAbstractButton {
    Q_OBJECT
public:
    explicit FolderLink(const QString& path, QWidget* parent = nullptr);

    // The lines drawn at the current width.
    QStringList shownLines() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList linesAt(int width) const;
};

} // namespace pellimor
