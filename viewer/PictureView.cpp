#include "viewer/PictureView.h"

#include <QPainter>
#include <QScrollBar>

namespace tarvex {

PictureView::PictureView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("pictureView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
}

void PictureView::showPicture(QImage picture) {
    picture_ = std::move(picture);
    preview_ = QImage();
    text_.clear();
    layOut();
}

void PictureView::showPreview(QImage preview, const QString& text) {
    picture_ = QImage();
    preview_ = std::move(preview);
    text_ = text;
    layOut();
}

void PictureView::showText(const QString& text) {
    clear();
    text_ = text;
    viewport()->update();
}

void PictureView::clear() {
    picture_ = QImage();
    preview_ = QImage();
    scaled_ = QImage();
    text_.clear();
    layOut();
}

void PictureView::setFitted(bool fitted) {
    fitted_ = fitted;
    layOut();
}

void PictureView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layOut();
}

void PictureView::scrollContentsBy(int, int) {
    viewport()->update();
}

void PictureView::layOut() {
    const QSize view = viewport()->size();
    const bool whole = !fitted_ && !picture_.isNull();
    const QSize extent = whole ? picture_.size() - view : QSize();
    horizontalScrollBar()->setRange(0, std::max(0, extent.width()));
    verticalScrollBar()->setRange(0, std::max(0, extent.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    const QImage& source = picture_.isNull() ? preview_ : picture_;
    const bool shrink = source.width() > view.width() || source.height() > view.height();
    // A preview is a thumbnail: it fills the view as the picture will.
    const bool stretch = !preview_.isNull() && picture_.isNull();
    scaled_ = !whole && !source.isNull() && (shrink || stretch) && !view.isEmpty()
                  ? source.scaled(view, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                  : QImage();
    viewport()->update();
}

const QImage& PictureView::drawn() const {
    if (!scaled_.isNull())
        return scaled_;
    return picture_.isNull() ? preview_ : picture_;
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QImage& image = drawn();
    const QRect view = viewport()->rect();
    if (!image.isNull()) {
        QRect placed(QPoint(), image.size());
        placed.moveCenter(view.center());
        // At 100 %, a picture larger than the view starts at its left or top edge.
        if (placed.width() > view.width())
            placed.moveLeft(-horizontalScrollBar()->value());
        if (placed.height() > view.height())
            placed.moveTop(-verticalScrollBar()->value());
        painter.drawImage(placed.topLeft(), image);
    }
    if (!text_.isEmpty()) {
        painter.setPen(palette().color(QPalette::BrightText));
        painter.drawText(view.adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                         text_);
    }
}

} // namespace tarvex
