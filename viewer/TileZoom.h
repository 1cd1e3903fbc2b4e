#pragma once

#include "viewer/ZoomSteps.h"

#include <QObject>
#include <functional>

class QListView;

namespace tarvex {

// The size of the grid's tiles, in steps of tileSides: the grid's icon size, which the tiles'
// delegate draws the thumbnails to and sizes the tiles by. The wheel with Ctrl over the grid
// zooms it; the size stays while the grid lives.
class TileZoom final : public QObject {
public:
    // Starts at the largest size; `resized` hears each change.
    TileZoom(QListView& grid, std::function<void()> resized);

    // Larger tiles by `steps` steps (smaller for negative ones), as far as the table goes.
    void zoom(int steps);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setSide(int side);

    QListView& grid_;
    std::function<void()> resized_;
    WheelNotches notches_;
};

} // namespace tarvex
