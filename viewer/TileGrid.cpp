#include "viewer/TileGrid.h"

#include "viewer/ArrangedModel.h"

namespace tarvex {

TileGrid::TileGrid(QWidget* parent) : QListView(parent) {}

bool TileGrid::heading(int row) const {
    return model()->index(row, 0).data(ArrangedModel::headingRole).toBool();
}

int TileGrid::tileFrom(int row, int step) const {
    const int rows = model()->rowCount();
    while (row >= 0 && row < rows && heading(row))
        row += step;
    return row >= 0 && row < rows ? row : -1;
}

QModelIndex TileGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (model() == nullptr || model()->rowCount() == 0)
        return {};
    const int last = model()->rowCount() - 1;
    int row = -1;
    if (action == MoveHome) {
        row = tileFrom(0, 1);
    } else if (action == MoveEnd) {
        row = tileFrom(last, -1);
    } else {
        const QModelIndex moved = QListView::moveCursor(action, modifiers);
        if (!moved.isValid())
            return moved;
        // Up and left pass a heading upwards, unless it is the first row.
        const bool back = action == MoveUp || action == MoveLeft || action == MovePageUp ||
                          action == MovePrevious;
        row = tileFrom(moved.row(), back ? -1 : 1);
        if (row < 0)
            row = tileFrom(moved.row(), back ? 1 : -1);
    }
    return row >= 0 ? model()->index(row, 0) : QModelIndex();
}

std::pair<int, int> TileGrid::rowsInView() const {
    const int rows = model() == nullptr ? 0 : model()->rowCount();
    // The rows lie from the top down in their order: the first whose bottom is below the top of
    // the viewport, and the last whose top is above its bottom.
    const auto firstWhere = [&](auto beyond) {
        int low = 0;
        int high = rows;
        while (low < high) {
            const int middle = (low + high) / 2;
            if (beyond(visualRect(model()->index(middle, 0))))
                high = middle;
            else
                low = middle + 1;
        }
        return low;
    };
    const int height = viewport()->height();
    const int first = firstWhere([](const QRect& rect) { return rect.bottom() >= 0; });
    const int end = firstWhere([height](const QRect& rect) { return rect.top() >= height; });
    return first < end ? std::pair(first, end - 1) : std::pair(0, -1);
}

} // namespace tarvex
