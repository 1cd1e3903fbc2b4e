#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QString>

namespace tarvex {

// One picture, fitted to the view (never enlarged) or at 100 % with scroll bars, or a text in its
// place: why there is none, or that it is being read.
class PictureView final : public QAbstractScrollArea {
public:
    explicit PictureView(QWidget* parent = nullptr);

    // Shows `picture`, the one that Copy and Save take.
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
    // The picture shown; null while there is none or only a preview.
    const QImage& picture() const { return picture_; }
    // The text shown instead of the picture, or over its preview; empty while there is none.
    const QString& text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Sets the scroll bars and the fitted picture for the view's size.
    void layOut();
    // What is drawn: the fitted picture, the preview, or the picture at 100 %.
    const QImage& drawn() const;

    QImage picture_;
    QImage preview_;
    QImage scaled_; // the picture or the preview as fitted to the view
    QString text_;
    bool fitted_ = true;
};

} // namespace tarvex
