#include "info/ProgramIcon.h"

#include <QPainter>
#include <iterator>

namespace pellix::info {

QImage programIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF label(size * 0.06, size * 0.16, size * 0.88, size * 0.68);
    p.setPen(QPen(QColor(0, 0, 128), size / 24.0));
    p.setBrush(QColor(255, 255, 224));
    p.drawRoundedRect(label, size * 0.08, size * 0.08);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Bars and gaps, in units of 1/48 of the size.
    const int widths[] = {2, 1, 1, 3, 1, 2, 1, 1, 2, 3, 1, 1, 2};
    const double unit = size / 48.0;
    double x = label.left() + size * 0.12;
    for (std::size_t i = 0; i < std::size(widths); ++i) {
        if (i % 2 == 0)
            p.fillRect(QRectF(x, label.top() + size * 0.12, widths[i] * unit,
                              label.height() - size * 0.24),
                       Qt::black);
        x += widths[i] * unit + unit;
    }
    return image;
}

}  // namespace pellix::info
