#pragma once

#include <QStyledItemDelegate>

namespace tarvex {

// Paints the tile of a container in the grid: its thumbnail centred in a square of the view's icon
// size (scaled down to fit it), or why it has none, and its name below; and a heading (see
// ArrangedModel) as a line of its own across the grid's width.
class TileDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Every tile's size around a square of `side` pixels, in the font of `metrics`.
    static QSize tileSize(const QFontMetrics& metrics, int side);

private:
    void paintHeading(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const;
};

} // namespace tarvex
