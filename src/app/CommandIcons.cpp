#include "app/CommandIcons.h"

#include <QPainter>
#include <QPixmap>

#include <initializer_list>

namespace veilpane {

namespace {

// Drawn into an image rather than a pixmap, so that the build can render the icons without a screen.
QImage Render(CPainting painting, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    painting(p);
    return image;
}

QIcon IconOf(CPainting painting, std::initializer_list<int> sizes) {
    QIcon icon;
    for (int size : sizes) {
        icon.addPixmap(QPixmap::fromImage(Render(painting, size)));
    }
    return icon;
}

} // namespace

QIcon CommandIcon(CPainting painting) {
    return painting ? IconOf(painting, {16, 32}) : QIcon();
}

QIcon ApplicationIcon() {
    return IconOf(picture::Application, {16, 24, 32, 48, 64, 128, 256});
}

QImage ApplicationIconImage(int size) {
    return Render(picture::Application, size);
}

} // namespace veilpane
