#include "viewer/TileZoom.h"

#include "viewer/TileDelegate.h"

#include <QListView>
#include <QScrollBar>
#include <QWheelEvent>

namespace tarvex {

TileZoom::TileZoom(QListView& grid, std::function<void()> resized)
    : QObject(&grid), grid_(grid), resized_(std::move(resized)) {
    setSide(int(tileSides.back()));
    grid_.viewport()->installEventFilter(this);
}

void TileZoom::zoom(int steps) {
    const int side = int(stepped(tileSides, grid_.iconSize().width(), steps));
    if (side == grid_.iconSize().width())
        return;
    setSide(side);
    resized_();
}

void TileZoom::setSide(int side) {
    grid_.setIconSize({side, side});
    grid_.verticalScrollBar()->setSingleStep(
        TileDelegate::tileSize(grid_.fontMetrics(), side).height() / 4);
}

bool TileZoom::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel)
        return QObject::eventFilter(watched, event);
    const auto* wheel = static_cast<QWheelEvent*>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier))
        return false;
    if (const int notches = notches_.take(wheel->angleDelta().y()))
        zoom(notches);
    return true;
}

} // namespace tarvex
