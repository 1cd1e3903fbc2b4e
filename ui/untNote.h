#pragma once

#include <QDialog>

class QLabel;

namespace tarvex {

// The Note window: a picture with a numbered list of usage notes.
class TfrmNote : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize contentSize{560, 200};

    explicit TfrmNote(QWidget* parent = nullptr);

private:
    QLabel* Image1 = nullptr;
};

} // namespace tarvex
