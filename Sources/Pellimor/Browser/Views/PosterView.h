#pragma once

#include <QImage>
#include <QWidget>

namespace pellimor {

// A poster frame of a fixed size with rounded corners: the picture, scaled to fill, or without
// one the placeholder (a faint rounded frame with the "film" icon). Main thread only.
class PosterView : public QWidget {
    Q_OBJECT
public:
    PosterView(const QSize& size, qreal radius, QWidget* parent = nullptr);

    // The picture as PosterImage::load made it (already the size shown); a null image shows the
    // placeholder.
    void setPicture(const QImage& picture);
    bool showsPicture() const { return !m_picture.isNull(); }

    QSize sizeHint() const override { return m_size; }
    QSize minimumSizeHint() const override { return m_size; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize m_size;
    qreal m_radius;
    QImage m_picture;
};

} // namespace pellimor
