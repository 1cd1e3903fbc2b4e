#include "viewer/TileDelegate.h"

#include "viewer/ArrangedModel.h"
#include "viewer/ContainerModel.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QPixmap>

namespace tarvex {

namespace {

// The room around a tile's square and its name.
constexpr int margin = 6;

} // namespace

QSize TileDelegate::tileSize(const QFontMetrics& metrics, int side) {
    return {side + 2 * margin, side + 3 * margin + metrics.height()};
}

QSize TileDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QSize tile = tileSize(option.fontMetrics, option.decorationSize.width());
    if (!index.data(ArrangedModel::headingRole).toBool())
        return tile;
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const int width = view != nullptr ? view->viewport()->width() : tile.width();
    return {std::max(1, width), 2 * option.fontMetrics.height() + 2 * margin};
}

void TileDelegate::paintHeading(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const QRect line = option.rect.adjusted(margin, margin, -margin, -margin);
    QFont bold = option.font;
    bold.setBold(true);
    painter->save();
    painter->setFont(bold);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(line, Qt::AlignLeft | Qt::AlignBottom,
                      QFontMetrics(bold).elidedText(index.data(Qt::DisplayRole).toString(),
                                                    Qt::ElideMiddle, line.width()));
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(line.left(), option.rect.bottom(), line.right(), option.rect.bottom());
    painter->restore();
}

void TileDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    if (index.data(ArrangedModel::headingRole).toBool()) {
        paintHeading(painter, option, index);
        return;
    }
    const QPalette& palette = option.palette;
    const bool selected = option.state & QStyle::State_Selected;
    const QRect tile = option.rect;
    if (selected)
        painter->fillRect(tile, palette.highlight());
    const int side = option.decorationSize.width();
    const QRect square(tile.x() + margin, tile.y() + margin, side, side);
    const QVariant decoration = index.data(Qt::DecorationRole);
    const QString problem = index.data(ContainerModel::problemRole).toString();
    if (decoration.canConvert<QPixmap>()) {
        const QPixmap thumbnail = decoration.value<QPixmap>();
        QSize size = thumbnail.size();
        if (size.width() > side || size.height() > side)
            size.scale(square.size(), Qt::KeepAspectRatio);
        QRect placed(QPoint(), size);
        placed.moveCenter(square.center());
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawPixmap(placed, thumbnail);
    } else if (!problem.isEmpty()) {
        painter->setPen(palette.color(QPalette::Mid));
        painter->drawRect(square.adjusted(0, 0, -1, -1));
        painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(square.adjusted(margin, margin, -margin, -margin),
                          Qt::AlignCenter | Qt::TextWordWrap, problem);
    } else {
        painter->fillRect(square, palette.alternateBase());
    }
    const QRect line(tile.x() + margin, square.bottom() + margin, side,
                     option.fontMetrics.height());
    painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(line, Qt::AlignHCenter | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                    Qt::ElideMiddle, side));
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(palette.color(QPalette::Highlight), 1, Qt::DotLine));
        painter->drawRect(tile.adjusted(1, 1, -2, -2));
    }
}

} // namespace tarvex
