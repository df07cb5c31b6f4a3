#include "browse/ThumbnailDelegate.h"

#include "browse/FitGeometry.h"
#include "browse/ThumbnailModel.h"
#include "browse/ThumbnailRender.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

namespace veilpane {

namespace {

constexpr int Margin = 6;
constexpr int TextGap = 4;

} // namespace

QSize CThumbnailDelegate::CellSize(const QFontMetrics& metrics) {
    return QSize(ThumbnailWidth + 2 * Margin, ThumbnailHeight + TextGap + metrics.height() + 2 * Margin);
}

QRect CThumbnailDelegate::ThumbnailRect(const QRect& cell) {
    return QRect(cell.x() + (cell.width() - ThumbnailWidth) / 2, cell.y() + Margin, ThumbnailWidth,
                 ThumbnailHeight);
}

void CThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    painter->save();
    const QRect cell = option.rect;
    const QRect thumbRect = ThumbnailRect(cell);
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette& palette = option.palette;
    const QPalette::ColorGroup group =
        option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;

    if (selected) {
        // A band around the thumbnail rather than a tint over it: the frame colours stay readable.
        painter->fillRect(thumbRect.adjusted(-4, -4, 4, 4), palette.color(group, QPalette::Highlight));
    }
    const QImage thumbnail = index.data(Qt::DecorationRole).value<QImage>();
    if (thumbnail.isNull()) {
        painter->fillRect(thumbRect, Qt::white);
        painter->setPen(QColor(0xD0, 0xD0, 0xD0));
        painter->drawRect(thumbRect.adjusted(0, 0, -1, -1));
    } else {
        painter->drawImage(thumbRect.topLeft(), thumbnail);
        // Drawn over the thumbnail rather than into it: the option turns on and off without a redraw.
        if (const QVariant verdict = index.data(CThumbnailModel::VerdictFrameRole); verdict.isValid()) {
            const QRect picture = index.data(CThumbnailModel::PictureRectRole).toRect();
            // The pen straddles the picture's edge; like the frames drawn into the thumbnail, it stops at
            // the thumbnail's own edge instead of spilling over the list.
            painter->save();
            painter->setClipRect(thumbRect);
            DrawVerdictFrame(*painter, picture.translated(thumbRect.topLeft()),
                             static_cast<StegoVerdict>(verdict.toInt()));
            painter->restore();
        }
    }

    const QRect textRect(cell.x() + 2, thumbRect.bottom() + 1 + TextGap, cell.width() - 4,
                         option.fontMetrics.height());
    const QString text = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                       Qt::ElideMiddle, textRect.width());
    if (selected) {
        const int width = option.fontMetrics.horizontalAdvance(text) + 8;
        const QRect band(textRect.center().x() - width / 2, textRect.y(), width, textRect.height());
        painter->fillRect(band, palette.color(group, QPalette::Highlight));
        painter->setPen(palette.color(group, QPalette::HighlightedText));
    } else {
        painter->setPen(palette.color(group, QPalette::Text));
    }
    painter->setFont(option.font);
    painter->drawText(textRect, Qt::AlignHCenter | Qt::AlignVCenter, text);

    if (option.state.testFlag(QStyle::State_HasFocus) && selected) {
        QPen focus(palette.color(group, QPalette::Highlight), 1, Qt::DotLine);
        painter->setPen(focus);
        painter->drawRect(cell.adjusted(1, 1, -2, -2));
    }
    painter->restore();
}

QSize CThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return CellSize(option.fontMetrics);
}

} // namespace veilpane
