#pragma once

#include <QDialog>

class QLabel;
class QMouseEvent;

namespace tarvex {

class Dialogs;
class TfrmNote;

// The About window: a picture of the about box; a click on it or on the window opens the
// home page.
class TfrmAbout : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize contentSize{656, 398};

    // `note` is the Note window that Button2Click shows; it may be absent.
    TfrmAbout(Dialogs& dialogs, TfrmNote* note, QWidget* parent = nullptr);

public slots:
    void Button2Click();
    void Label3Click();
    void Image1Click();
    void FormClick();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void openHomePage();

    QLabel* Image1 = nullptr;
    Dialogs& dialogs_;
    TfrmNote* note_;
};

} // namespace tarvex
