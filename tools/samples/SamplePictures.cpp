#include "SamplePictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace veilpane::samples {

namespace {

// A small generator of its own: the same sequence on every compiler and library, so the pictures never
// change unless their code does.
class CDice {
public:
    explicit CDice(std::uint32_t seed) : m_state(seed) {}
    double Next() {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<double>(m_state >> 8) / static_cast<double>(1u << 24);
    }
    double Between(double low, double high) { return low + (high - low) * Next(); }

private:
    std::uint32_t m_state;
};

// An opaque canvas; the painter works in a 1000-unit wide space so that every picture scales to any size.
struct CCanvas {
    QImage Image;
    QPainter Painter;
    double Height; // in units

    CCanvas(int width, int height) : Image(width, height, QImage::Format_RGB32) {
        Image.fill(Qt::black);
        Painter.begin(&Image);
        Painter.setRenderHint(QPainter::Antialiasing);
        const double scale = width / 1000.0;
        Painter.scale(scale, scale);
        Height = height / scale;
    }
    QImage Finish() {
        Painter.end();
        return Image;
    }
};

QLinearGradient Vertical(double top, double bottom, std::initializer_list<std::pair<double, QColor>> stops) {
    QLinearGradient gradient(0, top, 0, bottom);
    for (const auto& [at, color] : stops) {
        gradient.setColorAt(at, color);
    }
    return gradient;
}

void FillBand(QPainter& p, double top, double bottom, const QBrush& brush) {
    p.fillRect(QRectF(0, top, 1000, bottom - top), brush);
}

void Glow(QPainter& p, const QPointF& centre, double radius, QColor color) {
    QRadialGradient gradient(centre, radius);
    gradient.setColorAt(0, color);
    color.setAlpha(0);
    gradient.setColorAt(1, color);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawEllipse(centre, radius, radius);
}

void Stars(QPainter& p, CDice& dice, int count, double bottom) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        p.setBrush(QColor(255, 255, 240, static_cast<int>(dice.Between(60, 230))));
        const double r = dice.Between(0.6, 1.8);
        p.drawEllipse(QPointF(dice.Between(0, 1000), dice.Between(0, bottom)), r, r);
    }
}

void Cloud(QPainter& p, CDice& dice, const QPointF& at, double size, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    for (int i = 0; i < 7; ++i) {
        const double rx = size * dice.Between(0.25, 0.45);
        p.drawEllipse(
            QPointF(at.x() + size * dice.Between(-0.6, 0.6), at.y() + size * dice.Between(-0.12, 0.1)), rx,
            rx * 0.6);
    }
}

// A ridge line from left to right, filled down to bottom: a sum of waves gives hills and dunes.
QPainterPath Ridge(double base, double bottom, std::initializer_list<std::array<double, 3>> waves) {
    QPainterPath path;
    path.moveTo(0, bottom);
    for (int x = 0; x <= 1000; x += 5) {
        double y = base;
        for (const auto& [amplitude, length, phase] : waves) {
            y += amplitude * std::sin(x / length + phase);
        }
        path.lineTo(x, y);
    }
    path.lineTo(1000, bottom);
    path.closeSubpath();
    return path;
}

} // namespace

QImage LighthouseAtDusk(int width, int height) {
    CCanvas c(width, height);
    QPainter& p = c.Painter;
    CDice dice(7);
    const double horizon = c.Height * 0.62;
    FillBand(p, 0, horizon,
             Vertical(0, horizon,
                      {{0, QColor(22, 30, 82)},
                       {0.45, QColor(92, 70, 140)},
                       {0.8, QColor(236, 128, 96)},
                       {1, QColor(255, 204, 128)}}));
    Stars(p, dice, 90, horizon * 0.4);
    Glow(p, QPointF(720, horizon), 190, QColor(255, 190, 110, 150));
    p.setBrush(QColor(255, 214, 120));
    p.drawEllipse(QPointF(720, horizon), 46, 46);
    FillBand(p, horizon, c.Height,
             Vertical(horizon, c.Height, {{0, QColor(86, 80, 132)}, {1, QColor(14, 22, 58)}}));
    // The sun's path on the water and the swell catching the last light.
    for (int i = 0; i < 60; ++i) {
        const double y = horizon + 3 + i * i * (c.Height - horizon) / 3800.0;
        const double half = 40 + i * 2.2 * dice.Between(0.5, 1.2);
        p.setPen(QPen(QColor(255, 196, 120, std::max(20, 210 - i * 3)), 1.6 + i * 0.05));
        p.drawLine(QPointF(720 - half, y), QPointF(720 + half * dice.Between(0.4, 1.0), y));
    }
    for (int i = 0; i < 160; ++i) {
        const double y = dice.Between(horizon + 4, c.Height);
        const double x = dice.Between(0, 1000);
        p.setPen(QPen(QColor(180, 170, 220, 70), 1.2));
        p.drawLine(QPointF(x, y), QPointF(x + dice.Between(10, 60), y));
    }
    // The headland and its lighthouse.
    QPainterPath land;
    land.moveTo(0, c.Height);
    land.lineTo(0, horizon - 120);
    land.cubicTo(120, horizon - 150, 230, horizon - 120, 300, horizon - 40);
    land.cubicTo(360, horizon + 10, 420, horizon + 40, 470, c.Height);
    land.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(horizon - 150, c.Height, {{0, QColor(50, 40, 60)}, {1, QColor(18, 14, 24)}}));
    p.drawPath(land);
    const double base = horizon - 128;
    const double top = base - 220;
    QPainterPath tower;
    tower.moveTo(150, base);
    tower.lineTo(210, base);
    tower.lineTo(198, top);
    tower.lineTo(162, top);
    tower.closeSubpath();
    p.setBrush(QColor(236, 230, 226));
    p.drawPath(tower);
    p.save();
    p.setClipPath(tower);
    p.setBrush(QColor(196, 40, 44));
    for (int band = 0; band < 4; ++band) {
        p.drawRect(QRectF(140, top + 24 + band * 52, 80, 24));
    }
    p.setBrush(QColor(0, 0, 0, 60)); // the side away from the sun
    p.drawRect(QRectF(140, top, 26, base - top));
    p.restore();
    for (int side : {-1, 1}) {
        QPainterPath beam;
        beam.moveTo(180, top - 22);
        beam.lineTo(180 + side * 520, top - 110);
        beam.lineTo(180 + side * 520, top + 40);
        beam.closeSubpath();
        QLinearGradient fade(180, 0, 180 + side * 520, 0);
        fade.setColorAt(0, QColor(255, 240, 170, 150));
        fade.setColorAt(1, QColor(255, 240, 170, 0));
        p.setBrush(fade);
        p.drawPath(beam);
    }
    Glow(p, QPointF(180, top - 22), 60, QColor(255, 236, 150, 220));
    p.setBrush(QColor(255, 238, 160));
    p.drawRect(QRectF(166, top - 36, 28, 28));
    p.setBrush(QColor(30, 26, 34));
    p.drawRect(QRectF(154, top - 8, 52, 8));
    p.drawPolygon(QPolygonF({QPointF(160, top - 36), QPointF(200, top - 36), QPointF(180, top - 62)}));
    p.setPen(QPen(QColor(30, 26, 34), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 6; ++i) {
        const QPointF bird(dice.Between(420, 900), dice.Between(80, 260));
        const double span = dice.Between(7, 13);
        QPainterPath wings;
        wings.moveTo(bird.x() - span, bird.y() - span * 0.3);
        wings.quadTo(bird.x() - span * 0.4, bird.y() - span * 0.6, bird.x(), bird.y());
        wings.quadTo(bird.x() + span * 0.4, bird.y() - span * 0.6, bird.x() + span, bird.y() - span * 0.3);
        p.drawPath(wings);
    }
    return c.Finish();
}

QImage TulipField(int width, int height) {
    CCanvas c(width, height);
    QPainter& p = c.Painter;
    CDice dice(11);
    const double horizon = c.Height * 0.42;
    FillBand(p, 0, horizon, Vertical(0, horizon, {{0, QColor(96, 156, 226)}, {1, QColor(206, 228, 246)}}));
    Cloud(p, dice, QPointF(220, 90), 150, QColor(255, 255, 255, 210));
    Cloud(p, dice, QPointF(700, 60), 110, QColor(255, 255, 255, 190));
    // A windmill and trees on the horizon.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(58, 92, 60));
    p.drawPath(Ridge(horizon - 8, horizon + 4, {{6, 23, 0.3}, {4, 9, 1.1}}));
    p.setBrush(QColor(90, 66, 58));
    p.drawPolygon(QPolygonF({QPointF(770, horizon), QPointF(812, horizon), QPointF(802, horizon - 90),
                             QPointF(780, horizon - 90)}));
    p.setPen(QPen(QColor(70, 52, 46), 7, Qt::SolidLine, Qt::RoundCap));
    const QPointF hub(791, horizon - 92);
    for (int blade = 0; blade < 4; ++blade) {
        const double angle = 0.4 + blade * std::numbers::pi / 2;
        p.drawLine(hub, hub + QPointF(78 * std::cos(angle), 78 * std::sin(angle)));
    }
    // Rows of tulips running to a point on the horizon, colour after colour.
    const QColor colours[] = {QColor(214, 30, 46),  QColor(250, 200, 30), QColor(236, 96, 150),
                              QColor(150, 60, 170), QColor(250, 120, 30), QColor(250, 246, 240)};
    const QPointF vanish(460, horizon - 2);
    FillBand(p, horizon, c.Height, QColor(60, 120, 50));
    const int rows = 14;
    for (int row = 0; row < rows; ++row) {
        const double left = -1400 + row * 3800.0 / rows;
        const double right = left + 3800.0 / rows * 0.62;
        p.setPen(Qt::NoPen);
        p.setBrush(colours[row % 6]);
        p.drawPolygon(
            QPolygonF({vanish, QPointF(left, c.Height + 200), QPointF(right, c.Height + 200), vanish}));
    }
    p.setBrush(
        Vertical(horizon, c.Height, {{0, QColor(255, 255, 255, 90)}, {0.3, QColor(255, 255, 255, 0)}}));
    p.drawRect(QRectF(0, horizon, 1000, c.Height - horizon));
    // The nearest blooms, one by one.
    for (int i = 0; i < 260; ++i) {
        const double y = dice.Between(c.Height * 0.72, c.Height + 20);
        const double depth = (y - horizon) / (c.Height - horizon);
        const double x = dice.Between(-20, 1020);
        const double t = (x - vanish.x()) / std::max(1.0, y - vanish.y());
        const int row = static_cast<int>(
            std::floor((t * (c.Height + 200 - vanish.y()) + vanish.x() + 1400) / (3800.0 / rows)));
        const double size = 9 * depth + 3;
        p.setPen(QPen(QColor(40, 110, 40), size * 0.25));
        p.drawLine(QPointF(x, y), QPointF(x, y + size * 2));
        QPainterPath cup;
        cup.moveTo(x - size * 0.6, y - size * 0.6);
        cup.lineTo(x - size * 0.3, y - size * 0.2);
        cup.lineTo(x, y - size * 0.75);
        cup.lineTo(x + size * 0.3, y - size * 0.2);
        cup.lineTo(x + size * 0.6, y - size * 0.6);
        cup.quadTo(x + size * 0.65, y + size * 0.35, x, y + size * 0.35);
        cup.quadTo(x - size * 0.65, y + size * 0.35, x - size * 0.6, y - size * 0.6);
        p.setPen(Qt::NoPen);
        p.setBrush(colours[((row % 6) + 6) % 6].darker(static_cast<int>(dice.Between(95, 125))));
        p.drawPath(cup);
    }
    return c.Finish();
}

QImage HarbourAtNight(int width, int height) {
    CCanvas c(width, height);
    QPainter& p = c.Painter;
    CDice dice(23);
    const double horizon = c.Height * 0.58;
    FillBand(
        p, 0, horizon,
        Vertical(0, horizon, {{0, QColor(6, 10, 30)}, {0.7, QColor(26, 34, 78)}, {1, QColor(70, 60, 96)}}));
    Stars(p, dice, 160, horizon * 0.7);
    Glow(p, QPointF(800, 120), 110, QColor(230, 230, 200, 90));
    p.setBrush(QColor(244, 242, 224));
    p.drawEllipse(QPointF(800, 120), 34, 34);
    // The town: blocks with lit windows, their lights mirrored in the water below.
    QList<QRectF> lights;
    double x = -10;
    while (x < 1010) {
        const double w = dice.Between(40, 95);
        const double h = dice.Between(60, 250);
        const QRectF block(x, horizon - h, w, h);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(18 + static_cast<int>(dice.Between(0, 16)), 20, 36));
        p.drawRect(block);
        for (double wy = block.top() + 10; wy < horizon - 12; wy += 16) {
            for (double wx = block.left() + 7; wx < block.right() - 9; wx += 13) {
                if (dice.Next() < 0.36) {
                    const QRectF window(wx, wy, 6, 8);
                    p.setBrush(QColor(255, static_cast<int>(dice.Between(190, 235)), 120));
                    p.drawRect(window);
                    lights << window;
                }
            }
        }
        x += w + dice.Between(0, 6);
    }
    FillBand(p, horizon, c.Height,
             Vertical(horizon, c.Height, {{0, QColor(24, 28, 58)}, {1, QColor(4, 6, 16)}}));
    for (const QRectF& light : lights) {
        const double mirrored = 2 * horizon - light.center().y();
        for (int k = 0; k < 5; ++k) {
            const double y = mirrored + dice.Between(-14, 14);
            p.setPen(QPen(QColor(255, 210, 120, static_cast<int>(dice.Between(30, 110))), 1.6));
            p.drawLine(QPointF(light.center().x() - dice.Between(2, 8), y),
                       QPointF(light.center().x() + dice.Between(2, 8), y));
        }
    }
    for (int i = 0; i < 40; ++i) {
        const double y = horizon + 10 + i * 6.5;
        const double half = 10 + i * 1.4;
        p.setPen(QPen(QColor(240, 240, 210, std::max(10, 140 - i * 3)), 1.4));
        p.drawLine(QPointF(800 - half * dice.Between(0.3, 1), y),
                   QPointF(800 + half * dice.Between(0.3, 1), y));
    }
    // Boats at their moorings.
    for (int boat = 0; boat < 3; ++boat) {
        const double bx = 120 + boat * 270 + dice.Between(-30, 30);
        const double by = horizon + 70 + boat * 40;
        QPainterPath hull;
        hull.moveTo(bx - 70, by);
        hull.lineTo(bx + 80, by);
        hull.quadTo(bx + 60, by + 26, bx + 40, by + 28);
        hull.lineTo(bx - 50, by + 28);
        hull.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(10, 10, 18));
        p.drawPath(hull);
        p.setPen(QPen(QColor(10, 10, 18), 3));
        p.drawLine(QPointF(bx, by), QPointF(bx, by - 120));
        p.setPen(QPen(QColor(10, 10, 18), 1.2));
        p.drawLine(QPointF(bx, by - 120), QPointF(bx + 75, by));
        p.drawLine(QPointF(bx, by - 120), QPointF(bx - 65, by));
        Glow(p, QPointF(bx, by - 122), 9, QColor(255, 80, 60, 230));
    }
    return c.Finish();
}

QImage AppleOrchard(int width, int height) {
    CCanvas c(width, height);
    QPainter& p = c.Painter;
    CDice dice(31);
    FillBand(p, 0, c.Height,
             Vertical(0, c.Height * 0.5, {{0, QColor(70, 140, 220)}, {1, QColor(190, 222, 245)}}));
    Glow(p, QPointF(140, 110), 120, QColor(255, 250, 210, 170));
    p.setBrush(QColor(255, 248, 200));
    p.drawEllipse(QPointF(140, 110), 40, 40);
    Cloud(p, dice, QPointF(560, 100), 170, QColor(255, 255, 255, 220));
    Cloud(p, dice, QPointF(860, 180), 110, QColor(255, 255, 255, 200));
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(c.Height * 0.4, c.Height, {{0, QColor(110, 170, 80)}, {1, QColor(60, 120, 50)}}));
    p.drawPath(Ridge(c.Height * 0.47, c.Height, {{16, 90, 0.5}, {9, 37, 2.0}}));
    p.setBrush(Vertical(c.Height * 0.55, c.Height, {{0, QColor(128, 190, 70)}, {1, QColor(70, 140, 40)}}));
    p.drawPath(Ridge(c.Height * 0.62, c.Height, {{22, 120, 1.4}, {7, 29, 0.2}}));
    // Three rows of trees, the far ones small.
    for (int row = 0; row < 3; ++row) {
        const double scale = 0.5 + row * 0.35;
        const double ground = c.Height * (0.56 + row * 0.14);
        for (double tx = 40 + row * 30; tx < 1000; tx += 190 * scale + dice.Between(0, 30)) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 40));
            p.drawEllipse(QPointF(tx + 12 * scale, ground + 4), 60 * scale, 10 * scale);
            p.setBrush(QColor(110, 76, 46));
            p.drawRect(QRectF(tx - 8 * scale, ground - 70 * scale, 16 * scale, 70 * scale));
            for (int blob = 0; blob < 9; ++blob) {
                const QPointF at(tx + dice.Between(-55, 55) * scale, ground - dice.Between(80, 150) * scale);
                const double r = dice.Between(30, 48) * scale;
                p.setBrush(QColor(40 + static_cast<int>(dice.Between(0, 40)),
                                  120 + static_cast<int>(dice.Between(0, 50)), 40));
                p.drawEllipse(at, r, r);
            }
            for (int apple = 0; apple < 14; ++apple) {
                const QPointF at(tx + dice.Between(-70, 70) * scale, ground - dice.Between(70, 170) * scale);
                p.setBrush(QColor(210, 30 + static_cast<int>(dice.Between(0, 40)), 30));
                p.drawEllipse(at, 6 * scale, 6 * scale);
                p.setBrush(QColor(255, 255, 255, 120));
                p.drawEllipse(at - QPointF(2 * scale, 2 * scale), 1.8 * scale, 1.8 * scale);
            }
        }
    }
    return c.Finish();
}

namespace {

void Branch(QPainter& p, CDice& dice, const QPointF& from, double angle, double length, double thickness,
            const QColor& colour, int depth) {
    const QPointF to = from + QPointF(length * std::cos(angle), -length * std::sin(angle));
    p.setPen(QPen(colour, thickness, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    if (depth == 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour.lighter(130));
        p.drawEllipse(to, thickness * 0.8, thickness * 0.8);
        return;
    }
    for (int i = 0; i < 2; ++i) {
        Branch(p, dice, to, angle + dice.Between(-0.7, 0.7), length * dice.Between(0.6, 0.85),
               thickness * 0.72, colour, depth - 1);
    }
}

void Fish(QPainter& p, const QPointF& at, double size, bool left, const QColor& body, const QColor& stripe) {
    p.save();
    p.translate(at);
    if (left) {
        p.scale(-1, 1);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawPolygon(QPolygonF(
        {QPointF(-size * 0.8, 0), QPointF(-size * 1.4, -size * 0.5), QPointF(-size * 1.3, size * 0.5)}));
    p.drawEllipse(QPointF(0, 0), size, size * 0.55);
    p.setBrush(stripe);
    p.drawRect(QRectF(-size * 0.2, -size * 0.52, size * 0.18, size * 1.04));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(size * 0.55, -size * 0.12), size * 0.14, size * 0.14);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(size * 0.58, -size * 0.12), size * 0.07, size * 0.07);
    p.restore();
}

} // namespace

QImage CoralReef(int width, int height) {
    CCanvas c(width, height);
    QPainter& p = c.Painter;
    CDice dice(43);
    FillBand(p, 0, c.Height,
             Vertical(0, c.Height,
                      {{0, QColor(40, 180, 200)}, {0.6, QColor(16, 90, 150)}, {1, QColor(8, 40, 90)}}));
    for (int ray = 0; ray < 7; ++ray) {
        const double x = dice.Between(50, 950);
        QLinearGradient fade(0, 0, 0, c.Height * 0.8);
        fade.setColorAt(0, QColor(255, 255, 255, 70));
        fade.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(fade);
        p.drawPolygon(QPolygonF({QPointF(x, 0), QPointF(x + 40, 0), QPointF(x - 60, c.Height * 0.8),
                                 QPointF(x - 160, c.Height * 0.8)}));
    }
    p.setBrush(Vertical(c.Height * 0.75, c.Height, {{0, QColor(220, 200, 150)}, {1, QColor(170, 140, 90)}}));
    p.drawPath(Ridge(c.Height * 0.82, c.Height, {{14, 80, 0.0}, {6, 21, 1.0}}));
    const QColor corals[] = {QColor(240, 100, 120), QColor(250, 150, 60), QColor(170, 80, 190),
                             QColor(250, 210, 90)};
    for (int i = 0; i < 9; ++i) {
        const QPointF root(60 + i * 110 + dice.Between(-20, 20), c.Height * 0.86);
        Branch(p, dice, root, std::numbers::pi / 2 + dice.Between(-0.2, 0.2), dice.Between(50, 80), 12,
               corals[i % 4], 4);
    }
    // Stones half buried in the sand.
    for (int i = 0; i < 5; ++i) {
        const QPointF at(dice.Between(40, 960), c.Height * dice.Between(0.9, 0.97));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 110, 100));
        p.drawEllipse(at, dice.Between(20, 40), dice.Between(10, 16));
    }
    Fish(p, QPointF(300, 220), 34, false, QColor(255, 150, 20), Qt::white);
    Fish(p, QPointF(620, 160), 26, true, QColor(250, 220, 40), QColor(30, 30, 60));
    Fish(p, QPointF(760, 330), 40, true, QColor(40, 90, 220), QColor(250, 220, 40));
    Fish(p, QPointF(180, 380), 20, false, QColor(255, 120, 160), Qt::white);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 40; ++i) {
        const double r = dice.Between(2, 7);
        p.setPen(QPen(QColor(255, 255, 255, 150), 1.2));
        p.drawEllipse(QPointF(dice.Between(560, 720), dice.Between(20, c.Height * 0.7)), r, r);
    }
    return c.Finish();
}

QImage MandelbrotSet(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    const double span = 3.1;
    const double step = span / width;
    const double left = -0.65 - span / 2;
    const double top = -step * height / 2;
    constexpr int limit = 160;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double ci = top + y * step;
        for (int x = 0; x < width; ++x) {
            const double cr = left + x * step;
            // The main cardioid and the period-2 bulb need no iterations: they are inside.
            const double q = (cr - 0.25) * (cr - 0.25) + ci * ci;
            if (q * (q + (cr - 0.25)) <= 0.25 * ci * ci || (cr + 1) * (cr + 1) + ci * ci <= 0.0625) {
                row[x] = qRgb(10, 8, 30);
                continue;
            }
            double zr = 0, zi = 0;
            int n = 0;
            while (n < limit && zr * zr + zi * zi <= 256) {
                const double next = zr * zr - zi * zi + cr;
                zi = 2 * zr * zi + ci;
                zr = next;
                ++n;
            }
            if (n == limit) {
                row[x] = qRgb(10, 8, 30);
                continue;
            }
            const double smooth = n + 1 - std::log2(std::log2(zr * zr + zi * zi) / 2);
            const double t = std::fmod(smooth / 40.0, 1.0);
            const int red = static_cast<int>(9 * (1 - t) * t * t * t * 255);
            const int green = static_cast<int>(15 * (1 - t) * (1 - t) * t * t * 255);
            const int blue = static_cast<int>(8.5 * (1 - t) * (1 - t) * (1 - t) * t * 255);
            row[x] = qRgb(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue + 30, 0, 255));
        }
    }
    return image;
}

QImage SunsetDunes(int width, int height) {
    CCanvas c(width, height);
    QPainter& p = c.Painter;
    FillBand(p, 0, c.Height,
             Vertical(0, c.Height * 0.6,
                      {{0, QColor(80, 50, 130)}, {0.5, QColor(230, 110, 90)}, {1, QColor(255, 200, 110)}}));
    Glow(p, QPointF(620, c.Height * 0.5), 260, QColor(255, 220, 140, 160));
    p.setBrush(QColor(255, 236, 170));
    p.drawEllipse(QPointF(620, c.Height * 0.5), 70, 70);
    const std::array<std::pair<QColor, QColor>, 4> layers = {
        std::pair{QColor(200, 120, 90), QColor(150, 80, 80)},
        std::pair{QColor(226, 146, 90), QColor(170, 90, 70)},
        std::pair{QColor(236, 170, 100), QColor(180, 100, 60)},
        std::pair{QColor(246, 196, 120), QColor(196, 120, 60)}};
    for (std::size_t i = 0; i < layers.size(); ++i) {
        const double base = c.Height * (0.52 + 0.11 * static_cast<double>(i));
        QLinearGradient shade(0, base - 40, 300, base + 120);
        shade.setColorAt(0, layers[i].first);
        shade.setColorAt(1, layers[i].second);
        p.setPen(Qt::NoPen);
        p.setBrush(shade);
        p.drawPath(Ridge(base, c.Height,
                         {{26.0 + 8 * static_cast<double>(i), 110.0 + 20 * static_cast<double>(i),
                           1.3 * static_cast<double>(i)},
                          {9, 41, 0.7 + static_cast<double>(i)}}));
    }
    return c.Finish();
}

QImage TileMosaic(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(250, 244, 230));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    CDice dice(59);
    const QColor palette[] = {QColor(26, 110, 140), QColor(230, 120, 40), QColor(240, 196, 50),
                              QColor(180, 50, 70), QColor(60, 150, 90)};
    const int tile = 20;
    for (int ty = 0; ty < height; ty += tile) {
        for (int tx = 0; tx < width; tx += tile) {
            const QColor colour = palette[static_cast<int>(dice.Between(0, 5))];
            p.setPen(QPen(colour, 5, Qt::SolidLine, Qt::FlatCap));
            p.setBrush(Qt::NoBrush);
            const QRectF cell(tx, ty, tile, tile);
            // Two quarter circles joining the middles of the sides: the tiles join into winding paths.
            if (dice.Next() < 0.5) {
                p.drawArc(QRectF(cell.left() - tile / 2.0, cell.top() - tile / 2.0, tile, tile), 270 * 16,
                          90 * 16);
                p.drawArc(QRectF(cell.left() + tile / 2.0, cell.top() + tile / 2.0, tile, tile), 90 * 16,
                          90 * 16);
            } else {
                p.drawArc(QRectF(cell.left() + tile / 2.0, cell.top() - tile / 2.0, tile, tile), 180 * 16,
                          90 * 16);
                p.drawArc(QRectF(cell.left() - tile / 2.0, cell.top() + tile / 2.0, tile, tile), 0, 90 * 16);
            }
        }
    }
    return image;
}

QImage RainbowSpiral(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double dx = x - cx;
            const double dy = y - cy;
            const double radius = std::hypot(dx, dy) + 1;
            const double turn = std::atan2(dy, dx) / (2 * std::numbers::pi) + 0.5;
            const double hue = std::fmod(turn * 3 + std::log(radius) * 0.9, 1.0);
            const double value =
                0.55 + 0.45 * std::cos(std::log(radius) * 9 - turn * 2 * std::numbers::pi * 3);
            row[x] = QColor::fromHsvF(static_cast<float>(hue), 0.75f, static_cast<float>(value)).rgb();
        }
    }
    return image;
}

QImage MoonriseOverHills(int width, int height) {
    CCanvas c(width, height);
    QPainter& p = c.Painter;
    CDice dice(71);
    FillBand(p, 0, c.Height,
             Vertical(0, c.Height,
                      {{0, QColor(12, 20, 60)}, {0.7, QColor(50, 70, 130)}, {1, QColor(90, 100, 150)}}));
    Stars(p, dice, 70, c.Height * 0.6);
    Glow(p, QPointF(640, c.Height * 0.55), 230, QColor(255, 250, 220, 110));
    p.setBrush(QColor(252, 248, 226));
    p.drawEllipse(QPointF(640, c.Height * 0.55), 120, 120);
    p.setBrush(QColor(220, 214, 190));
    p.drawEllipse(QPointF(600, c.Height * 0.5), 22, 18);
    p.drawEllipse(QPointF(680, c.Height * 0.6), 30, 22);
    p.setBrush(QColor(22, 34, 52));
    p.drawPath(Ridge(c.Height * 0.68, c.Height, {{40, 160, 0.5}, {12, 50, 2.0}}));
    p.setBrush(QColor(12, 20, 30));
    p.drawPath(Ridge(c.Height * 0.82, c.Height, {{30, 130, 2.4}, {8, 33, 0.4}}));
    const QRectF house(220, c.Height * 0.74, 90, 60);
    p.setBrush(QColor(34, 42, 58));
    p.drawRect(house);
    p.drawPolygon(QPolygonF({house.topLeft() + QPointF(-12, 0), house.topRight() + QPointF(12, 0),
                             QPointF(house.center().x(), house.top() - 45)}));
    Glow(p, QPointF(250, house.top() + 26), 30, QColor(255, 210, 110, 160));
    p.setBrush(QColor(255, 214, 120));
    p.drawRect(QRectF(240, house.top() + 18, 20, 18));
    return c.Finish();
}

} // namespace veilpane::samples
