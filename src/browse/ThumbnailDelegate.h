#pragma once

#include <QStyledItemDelegate>

namespace veilpane {

// Paints one cell of the thumbnail list: the thumbnail as drawn (never scaled again, so its frame keeps
// its exact colours), a blank cell while it is not drawn yet, and the name under it.
class CThumbnailDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The cell every item takes: the thumbnail, a line of text and a margin.
    static QSize CellSize(const QFontMetrics& metrics);
    // Where the thumbnail goes inside a cell.
    static QRect ThumbnailRect(const QRect& cell);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace veilpane
