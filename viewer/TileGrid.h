#pragma once

#include <QListView>
#include <utility>

namespace tarvex {

// The grid of tiles, with headings among them (see ArrangedModel): the keys that move the
// current tile pass over the headings, and Home and End go to the first and last tile.
class TileGrid final : public QListView {
public:
    explicit TileGrid(QWidget* parent = nullptr);

    // The first and last row that the viewport shows, at least in part; (0, -1) for none.
    std::pair<int, int> rowsInView() const;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    bool heading(int row) const;
    // The first row at or after `row` (before it, for a negative `step`) that is no heading.
    int tileFrom(int row, int step) const;
};

} // namespace tarvex
