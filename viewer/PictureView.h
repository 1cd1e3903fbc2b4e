#pragma once

#include "viewer/ZoomSteps.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>

namespace tarvex {

// One picture, fitted to the view (never enlarged), at 100 % or at a step of pictureScales, with
// scroll bars when it is larger than the view, or a text in its place: why there is none, or that
// it is being read. Only the part in view is scaled for drawing. A drag with the left button, the
// scroll bars, the wheel and the arrow keys pan; the wheel with Ctrl zooms about the cursor.
class PictureView final : public QAbstractScrollArea {
public:
    explicit PictureView(QWidget* parent = nullptr);

    // Shows `picture`, the one that Copy and Save take, at the scale shown before.
    void showPicture(QImage picture);
    // Shows `preview` (a thumbnail, stretched to fit) with `text` over it until the picture comes.
    void showPreview(QImage preview, const QString& text);
    // Shows `text` alone.
    void showText(const QString& text);
    // Lets go of the picture.
    void clear();
    // Fitted to the view, or at 100 %.
    void setFitted(bool fitted);
    bool fitted() const { return fitted_; }
    // Zooms in (`steps` > 0) or out by steps of pictureScales about `at`, a point of the
    // viewport, which stays over the same point of the picture as far as the scroll bars reach;
    // about the middle of the view without one.
    void zoom(int steps, std::optional<QPointF> at = std::nullopt);
    // The scale that the picture shows at: that of the fit while fitted.
    double scale() const;
    // The point of the picture, in its pixels, under `at`, a point of the viewport.
    QPointF pictureAt(QPointF at) const;
    // `changed` hears every change of the scale or of the picture shown.
    void onZoomChanged(std::function<void()> changed) { zoomChanged_ = std::move(changed); }
    // The picture shown; null while there is none or only a preview.
    const QImage& picture() const { return picture_; }
    // The text shown instead of the picture, or over its preview; empty while there is none.
    const QString& text() const { return text_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Sets the scroll bars, the cursor and the reduced copy for the view's size and the scale.
    void layOut();
    // Shows the picture fitted, or at `zoom`, with the point under `at` kept under it.
    void rescale(bool fitted, double zoom, QPointF at);
    // An open hand over a picture that can be dragged, a closed one while it is.
    void showHand();
    // The size of the picture at its scale, in pixels of the view.
    QSize drawnSize() const;
    // Where the picture's top left corner lies in the viewport.
    QPointF origin() const;
    // Whether the picture is larger than the view, in either direction.
    bool pannable() const;
    void paintPicture(QPainter& painter) const;

    QImage picture_;
    QImage preview_;
    // The picture reduced for a scale below 1, or the preview as fitted to the view; null while
    // the picture is drawn from itself.
    QImage scaled_;
    QString text_;
    bool fitted_ = true;
    double zoom_ = 1; // the scale while not fitted
    // The point of the picture grabbed by a drag, in pixels of the view from its top left corner.
    std::optional<QPoint> grabbed_;
    WheelNotches notches_;
    std::function<void()> zoomChanged_;
};

} // namespace tarvex
