#include "viewer/PictureView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace tarvex {

namespace {

// How far an arrow key pans, in pixels of the view.
constexpr int arrowStep = 48;
// Below this scale a picture is drawn from a reduced copy of itself, which shows it without the
// grain of sampling it sparsely; the copy holds at most a quarter of its pixels.
constexpr double reducedBelow = 0.5;
// From this scale on, every pixel of the picture shows as a sharp square.
constexpr double squaresFrom = 2;

} // namespace

PictureView::PictureView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("pictureView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(arrowStep);
    verticalScrollBar()->setSingleStep(arrowStep);
}

void PictureView::showPicture(QImage picture) {
    picture_ = std::move(picture);
    preview_ = QImage();
    scaled_ = QImage();
    text_.clear();
    // A picture larger than the view starts at its left or top edge.
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    layOut();
}

void PictureView::showPreview(QImage preview, const QString& text) {
    picture_ = QImage();
    preview_ = std::move(preview);
    scaled_ = QImage();
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
    rescale(fitted, 1, QRectF(viewport()->rect()).center());
}

void PictureView::zoom(int steps, std::optional<QPointF> at) {
    if (picture_.isNull())
        return;
    const double from = scale();
    const double to = stepped(pictureScales, from, steps);
    if (to != from)
        rescale(false, to, at.value_or(QRectF(viewport()->rect()).center()));
}

void PictureView::rescale(bool fitted, double zoom, QPointF at) {
    const QPointF spot = pictureAt(at);
    fitted_ = fitted;
    zoom_ = zoom;
    layOut();
    // Beyond the scroll bars' ends the picture stops at its edge, or centred where it is smaller
    // than the view.
    horizontalScrollBar()->setValue(qRound(spot.x() * scale() - at.x()));
    verticalScrollBar()->setValue(qRound(spot.y() * scale() - at.y()));
}

double PictureView::scale() const {
    const QSize view = viewport()->size();
    if (!fitted_)
        return zoom_;
    if (picture_.isNull() || view.isEmpty())
        return 1;
    return std::min(
        {1.0, double(view.width()) / picture_.width(), double(view.height()) / picture_.height()});
}

QSize PictureView::drawnSize() const {
    if (picture_.isNull())
        return {};
    const double by = scale();
    return {std::max(1, qRound(picture_.width() * by)),
            std::max(1, qRound(picture_.height() * by))};
}

QPointF PictureView::origin() const {
    const QSize view = viewport()->size();
    const QSize drawn = drawnSize();
    const auto along = [](int drawn, int view, const QScrollBar* bar) {
        return drawn <= view ? double((view - drawn) / 2) : -double(bar->value());
    };
    return {along(drawn.width(), view.width(), horizontalScrollBar()),
            along(drawn.height(), view.height(), verticalScrollBar())};
}

QPointF PictureView::pictureAt(QPointF at) const {
    return (at - origin()) / scale();
}

bool PictureView::pannable() const {
    return horizontalScrollBar()->maximum() > 0 || verticalScrollBar()->maximum() > 0;
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
    const QSize drawn = drawnSize();
    horizontalScrollBar()->setRange(0, std::max(0, drawn.width() - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, drawn.height() - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    // The reduced copy: of the picture when it is smaller than the view or much reduced; of the
    // preview, a thumbnail, to fill the view as the picture will.
    QSize reduced;
    if (!picture_.isNull()) {
        const bool inView = drawn.width() <= view.width() && drawn.height() <= view.height();
        if (scale() < 1 && (inView || scale() <= reducedBelow))
            reduced = drawn;
    } else if (!preview_.isNull() && !view.isEmpty()) {
        reduced = preview_.size().scaled(view, Qt::KeepAspectRatio);
    }
    const QImage& source = picture_.isNull() ? preview_ : picture_;
    if (reduced.isEmpty())
        scaled_ = QImage();
    else if (scaled_.size() != reduced)
        scaled_ = source.scaled(reduced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    showHand();
    viewport()->update();
    if (zoomChanged_)
        zoomChanged_();
}

void PictureView::showHand() {
    if (grabbed_)
        viewport()->setCursor(Qt::ClosedHandCursor);
    else if (pannable())
        viewport()->setCursor(Qt::OpenHandCursor);
    else
        viewport()->unsetCursor();
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QRect view = viewport()->rect();
    if (!picture_.isNull()) {
        paintPicture(painter);
    } else if (!preview_.isNull()) {
        const QImage& shown = scaled_.isNull() ? preview_ : scaled_;
        QRect placed(QPoint(), shown.size());
        placed.moveCenter(view.center());
        painter.drawImage(placed.topLeft(), shown);
    }
    if (!text_.isEmpty()) {
        painter.setPen(palette().color(QPalette::BrightText));
        painter.drawText(view.adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                         text_);
    }
}

void PictureView::paintPicture(QPainter& painter) const {
    const QPointF at = origin();
    const double by = scale();
    if (!scaled_.isNull() || by == 1) {
        painter.drawImage(at, scaled_.isNull() ? picture_ : scaled_);
        return;
    }
    // Only the part in view is scaled: the viewport mapped back onto the picture.
    const QRectF shown =
        QRectF(at, QSizeF(picture_.size()) * by).intersected(QRectF(viewport()->rect()));
    const QRectF source((shown.topLeft() - at) / by, shown.size() / by);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, by < squaresFrom);
    painter.drawImage(shown, picture_, source);
}

bool PictureView::event(QEvent* event) {
    // Left and Right pan a picture wider than the view, before the window's actions that step.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool across = key->key() == Qt::Key_Left || key->key() == Qt::Key_Right;
        if (across && key->modifiers() == Qt::NoModifier && horizontalScrollBar()->maximum() > 0) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void PictureView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pannable()) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    grabbed_ = event->position().toPoint() +
               QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    showHand();
}

void PictureView::mouseMoveEvent(QMouseEvent* event) {
    if (!grabbed_) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint to = *grabbed_ - event->position().toPoint();
    horizontalScrollBar()->setValue(to.x());
    verticalScrollBar()->setValue(to.y());
}

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !grabbed_) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    grabbed_.reset();
    showHand();
}

void PictureView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    if (const int notches = notches_.take(event->angleDelta().y()))
        zoom(notches, event->position());
    event->accept();
}

} // namespace tarvex
