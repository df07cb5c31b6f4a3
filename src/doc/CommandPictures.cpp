// The pictures of the commands and of the program, drawn by code rather than shipped as files.
#include "doc/CommandPictures.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace veilpane {

namespace {

const QColor Ink(40, 44, 52);
const QColor Paper(250, 250, 246);
const QColor FolderYellow(240, 196, 72);
const QColor FolderEdge(168, 124, 28);
const QColor Sky(120, 180, 236);
const QColor Hill(70, 150, 70);
const QColor Sun(250, 210, 60);
const QColor LockGold(214, 160, 30);
const QColor Danger(204, 40, 40);
const QColor Go(30, 140, 60);
const QColor Blue(40, 100, 200);

QPen ThinPen(const QColor& color, qreal width = 1.0) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Page(QPainter& p, const QRectF& r) {
    const qreal fold = r.width() * 0.35;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(ThinPen(Ink));
    p.setBrush(Paper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void TextLines(QPainter& p, const QRectF& r, int lines) {
    p.setPen(ThinPen(QColor(110, 116, 128)));
    for (int i = 0; i < lines; ++i) {
        const qreal y = r.top() + i * r.height() / std::max(1, lines - 1);
        p.drawLine(QPointF(r.left(), y), QPointF(i == lines - 1 ? r.center().x() : r.right(), y));
    }
}

void Folder(QPainter& p, const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 1.5);
    path.lineTo(r.left() + r.width() * 0.38, r.top() + 1.5);
    path.lineTo(r.left() + r.width() * 0.48, r.top() + 3);
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(ThinPen(FolderEdge));
    p.setBrush(FolderYellow);
    p.drawPath(path);
    p.setBrush(FolderYellow.lighter(115));
    p.drawRect(QRectF(r.left(), r.top() + 4.5, r.width(), r.height() - 4.5));
}

// A small landscape: the program's sign for "an image".
void Picture(QPainter& p, const QRectF& r) {
    p.setPen(ThinPen(Ink));
    p.setBrush(Sky);
    p.drawRect(r);
    p.save();
    p.setClipRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(Sun);
    p.drawEllipse(QPointF(r.right() - r.width() * 0.28, r.top() + r.height() * 0.3), r.width() * 0.13,
                  r.width() * 0.13);
    p.setBrush(Hill);
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    hill.lineTo(r.left(), r.bottom() - r.height() * 0.35);
    hill.quadTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.2, r.right(),
                r.bottom() - r.height() * 0.25);
    hill.lineTo(r.right(), r.bottom());
    hill.closeSubpath();
    p.drawPath(hill);
    p.restore();
}

void Lock(QPainter& p, const QPointF& topLeft, bool closed) {
    const QRectF body(topLeft.x(), topLeft.y() + 3.5, 7, 5);
    p.setPen(ThinPen(Ink, 1.4));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    const qreal left = body.left() + 1.5;
    const qreal right = body.right() - 1.5;
    if (closed) {
        shackle.moveTo(left, body.top());
        shackle.lineTo(left, body.top() - 1.5);
        shackle.arcTo(QRectF(left, body.top() - 4, right - left, 4.5), 180, -180);
        shackle.lineTo(right, body.top());
    } else {
        shackle.moveTo(right, body.top());
        shackle.lineTo(right, body.top() - 1.5);
        shackle.arcTo(QRectF(right, body.top() - 4, right - left, 4.5), 180, -180);
    }
    p.drawPath(shackle);
    p.setPen(ThinPen(Ink));
    p.setBrush(LockGold);
    p.drawRoundedRect(body, 1, 1);
    p.setPen(ThinPen(Ink, 1.2));
    p.drawPoint(body.center());
}

// An arrow from a to b with a filled head.
void Arrow(QPainter& p, const QPointF& a, const QPointF& b, const QColor& color) {
    p.setPen(ThinPen(color, 2.0));
    const QLineF line(a, b);
    QLineF shaft = line;
    shaft.setLength(line.length() - 2.5);
    p.drawLine(shaft);
    QLineF wing(b, a);
    wing.setLength(4.5);
    QLineF left = wing;
    left.setAngle(wing.angle() + 35);
    QLineF right = wing;
    right.setAngle(wing.angle() - 35);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(QPolygonF({b, left.p2(), right.p2()}));
}

// A curved arrow turning over the top, for undo (to the left) and redo (to the right).
void TurnArrow(QPainter& p, bool toLeft) {
    p.save();
    if (!toLeft) {
        p.translate(16, 0);
        p.scale(-1, 1);
    }
    p.setPen(ThinPen(Blue, 2.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(12.5, 13.5);
    path.cubicTo(14.5, 7.5, 10, 4, 4.5, 6.5);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(Blue);
    p.drawPolygon(QPolygonF({QPointF(1.5, 7.5), QPointF(6.5, 2.5), QPointF(7.5, 10)}));
    p.restore();
}

void Cross(QPainter& p, const QPointF& c, qreal half) {
    p.setPen(ThinPen(Danger, 2.2));
    p.drawLine(QPointF(c.x() - half, c.y() - half), QPointF(c.x() + half, c.y() + half));
    p.drawLine(QPointF(c.x() - half, c.y() + half), QPointF(c.x() + half, c.y() - half));
}

void Badge(QPainter& p, const QColor& fill, const QString& letter) {
    p.setPen(ThinPen(fill.darker(140)));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, letter);
}

void Envelope(QPainter& p, const QRectF& r) {
    p.setPen(ThinPen(Ink));
    p.setBrush(Paper);
    p.drawRect(r);
    p.drawLine(r.topLeft(), QPointF(r.center().x(), r.center().y() + 1));
    p.drawLine(QPointF(r.center().x(), r.center().y() + 1), r.topRight());
}

void ToolWindowFrame(QPainter& p) {
    p.setPen(ThinPen(Ink));
    p.setBrush(Paper);
    p.drawRect(QRectF(0.5, 1.5, 15, 13));
    p.setBrush(Blue);
    p.drawRect(QRectF(0.5, 1.5, 15, 3));
}

// A page of text under a lock, closed for encryption and open for decryption.
void LockedPage(QPainter& p, bool closed) {
    Page(p, QRectF(0.5, 0.5, 10, 14));
    TextLines(p, QRectF(2.5, 5, 6, 5), 3);
    Lock(p, QPointF(8.5, 6.5), closed);
}

void LockedFolder(QPainter& p, bool closed) {
    Folder(p, QRectF(0.5, 1.5, 13, 11));
    Lock(p, QPointF(8.5, 6.5), closed);
}

} // namespace

namespace picture {

void ExtractHiddenFile(QPainter& p) {
    Picture(p, QRectF(0.5, 0.5, 11, 9));
    Page(p, QRectF(8.5, 7.5, 6, 8));
    Arrow(p, QPointF(4, 9), QPointF(4, 15.5), Go);
}

void SelectFileToHide(QPainter& p) {
    Page(p, QRectF(2.5, 0.5, 10, 14));
    TextLines(p, QRectF(4.5, 6, 6, 5), 3);
    p.setPen(ThinPen(Go, 2.2));
    p.drawLine(QPointF(9, 12), QPointF(15, 12));
    p.drawLine(QPointF(12, 9), QPointF(12, 15));
}

void UnselectFileToHide(QPainter& p) {
    Page(p, QRectF(2.5, 0.5, 10, 14));
    TextLines(p, QRectF(4.5, 6, 6, 5), 3);
    Cross(p, QPointF(12, 12), 2.8);
}

void HideFile(QPainter& p) {
    Page(p, QRectF(0.5, 0.5, 6, 8));
    Picture(p, QRectF(3.5, 6.5, 12, 9));
    Arrow(p, QPointF(10, 1), QPointF(10, 8.5), Go);
}

void EnterSecretMessage(QPainter& p) {
    p.setPen(ThinPen(Ink));
    p.setBrush(Paper);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(0.5, 1.5, 15, 10), 2.5, 2.5);
    bubble.moveTo(4, 11.5);
    bubble.lineTo(3, 15);
    bubble.lineTo(7.5, 11.5);
    p.drawPath(bubble.simplified());
    TextLines(p, QRectF(3, 4.5, 10, 4), 2);
}

void HideMessage(QPainter& p) {
    Picture(p, QRectF(3.5, 6.5, 12, 9));
    p.setPen(ThinPen(Ink));
    p.setBrush(Paper);
    p.drawRoundedRect(QRectF(0.5, 0.5, 8, 6), 1.5, 1.5);
    TextLines(p, QRectF(2.5, 2.5, 4, 2), 2);
    Arrow(p, QPointF(12, 0.5), QPointF(12, 8.5), Go);
}

void Analyse(QPainter& p) {
    // A magnifying glass over a picture.
    Picture(p, QRectF(0.5, 0.5, 12, 9));
    p.setPen(ThinPen(Ink, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5.5, 5.5, 6.5, 6.5));
    p.setPen(ThinPen(Ink, 2.4));
    p.drawLine(QPointF(11.2, 11.2), QPointF(15, 15));
}

void Passwords(QPainter& p) {
    p.setPen(ThinPen(Ink));
    p.setBrush(LockGold);
    p.drawEllipse(QRectF(0.5, 4.5, 7, 7));
    p.setBrush(Paper);
    p.drawEllipse(QRectF(2.5, 6.8, 2.4, 2.4));
    p.setPen(ThinPen(Ink, 2.2));
    p.drawLine(QPointF(7.5, 8), QPointF(15, 8));
    p.drawLine(QPointF(12.5, 8), QPointF(12.5, 11.5));
    p.drawLine(QPointF(14.5, 8), QPointF(14.5, 10.5));
}

void Undo(QPainter& p) {
    TurnArrow(p, true);
}

void Redo(QPainter& p) {
    TurnArrow(p, false);
}

void FoldersWindow(QPainter& p) {
    ToolWindowFrame(p);
    Folder(p, QRectF(2.5, 6.5, 7, 6));
    p.setPen(ThinPen(Ink));
    p.drawLine(QPointF(11, 8), QPointF(14, 8));
    p.drawLine(QPointF(11, 11), QPointF(14, 11));
}

void ImagePreviewWindow(QPainter& p) {
    ToolWindowFrame(p);
    Picture(p, QRectF(2.5, 6.5, 11, 7));
}

void RefreshFolder(QPainter& p) {
    p.setPen(ThinPen(Go, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 30 * 16, 260 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Go);
    p.drawPolygon(QPolygonF({QPointF(15.5, 2), QPointF(15.5, 8), QPointF(9.5, 8)}));
}

void Exit(QPainter& p) {
    p.setPen(ThinPen(Ink));
    p.setBrush(QColor(160, 110, 60));
    p.drawRect(QRectF(1.5, 0.5, 8, 15));
    p.setBrush(Sun);
    p.drawEllipse(QRectF(6.5, 7.5, 1.6, 1.6));
    Arrow(p, QPointF(8.5, 8), QPointF(15.5, 8), Danger);
}

void EncryptFile(QPainter& p) {
    LockedPage(p, true);
}

void DecryptFile(QPainter& p) {
    LockedPage(p, false);
}

void EncryptFolder(QPainter& p) {
    LockedFolder(p, true);
}

void DecryptFolder(QPainter& p) {
    LockedFolder(p, false);
}

void EncryptDecryptMessage(QPainter& p) {
    Envelope(p, QRectF(0.5, 2.5, 12, 9));
    Lock(p, QPointF(8.5, 6.5), true);
}

void SamplesFolder(QPainter& p) {
    Folder(p, QRectF(0.5, 1.5, 15, 13));
    Picture(p, QRectF(5.5, 7.5, 8, 6));
}

void FrameColors(QPainter& p) {
    const QColor colors[] = {QColor(0x17, 0xB7, 0x01), QColor(0x04, 0xC8, 0xCA), QColor(0xE8, 0x57, 0x08)};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(colors[i], 2.0));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5 + i * 3, 1.5 + i * 3, 8, 8));
    }
}

void WebSite(QPainter& p) {
    p.setPen(ThinPen(Blue.darker(130)));
    p.setBrush(QColor(150, 200, 245));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 1.5, 6, 13));
    p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
    p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
    p.drawLine(QPointF(2.8, 4.8), QPointF(13.2, 4.8));
    p.drawLine(QPointF(2.8, 11.2), QPointF(13.2, 11.2));
}

void Disclaimer(QPainter& p) {
    p.setPen(ThinPen(QColor(150, 100, 0)));
    p.setBrush(QColor(255, 200, 40));
    p.drawPolygon(QPolygonF({QPointF(8, 1), QPointF(15, 14.5), QPointF(1, 14.5)}));
    p.setPen(ThinPen(Ink, 2.0));
    p.drawLine(QPointF(8, 5.5), QPointF(8, 9.5));
    p.drawPoint(QPointF(8, 12.3));
}

void About(QPainter& p) {
    Badge(p, Blue, QStringLiteral("i"));
}

void Application(QPainter& p) {
    Picture(p, QRectF(0.5, 1.5, 13, 10));
    p.setPen(ThinPen(QColor(255, 255, 255, 200), 1.0));
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawRect(QRectF(2.5, 3.5, 13, 10));
    Lock(p, QPointF(8.5, 6.5), true);
}

} // namespace picture

} // namespace veilpane
