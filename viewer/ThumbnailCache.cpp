#include "viewer/ThumbnailCache.h"

namespace tarvex {

const QPixmap* ThumbnailCache::find(int row) {
    const auto found = rows_.find(row);
    if (found == rows_.end())
        return nullptr;
    order_.splice(order_.begin(), order_, found->second);
    return &found->second->second;
}

std::vector<int> ThumbnailCache::put(int row, QPixmap thumbnail) {
    if (const auto known = rows_.find(row); known != rows_.end()) {
        bytes_ -= bytesOf(known->second->second);
        order_.erase(known->second);
        rows_.erase(known);
    }
    bytes_ += bytesOf(thumbnail);
    order_.emplace_front(row, std::move(thumbnail));
    rows_[row] = order_.begin();
    std::vector<int> gone;
    // The thumbnail just kept stays, whatever it weighs.
    while (bytes_ > budget_ && order_.size() > 1) {
        const auto& [oldest, picture] = order_.back();
        bytes_ -= bytesOf(picture);
        gone.push_back(oldest);
        rows_.erase(oldest);
        order_.pop_back();
    }
    return gone;
}

qint64 ThumbnailCache::bytesOf(const QPixmap& thumbnail) {
    return qint64(thumbnail.width()) * thumbnail.height() * ((thumbnail.depth() + 7) / 8);
}

} // namespace tarvex
