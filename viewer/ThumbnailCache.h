#pragma once

#include <QPixmap>
#include <list>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarvex {

// The thumbnails of the rows of a grid, within a budget of bytes: once they hold more, the least
// recently used go first.
class ThumbnailCache {
public:
    explicit ThumbnailCache(qint64 budgetBytes) : budget_(budgetBytes) {}

    // The thumbnail of `row`, now the most recently used; null when there is none.
    const QPixmap* find(int row);
    // Keeps `thumbnail` for `row`, and gives the rows whose thumbnails went to make room.
    std::vector<int> put(int row, QPixmap thumbnail);
    qint64 bytes() const { return bytes_; }

private:
    static qint64 bytesOf(const QPixmap& thumbnail);

    using Order = std::list<std::pair<int, QPixmap>>; // the most recently used first
    Order order_;
    std::unordered_map<int, Order::iterator> rows_;
    qint64 budget_;
    qint64 bytes_ = 0;
};

} // namespace tarvex
