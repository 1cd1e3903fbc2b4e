// The smallest Qt Widgets window worth comparing the program's window with: a label, a field and
// a button in a window of the program's size. It starts, shows and waits, and does nothing else.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.resize(526, 346);
    auto* label = new QLabel(QStringLiteral("Password"), &window);
    label->setGeometry(8, 284, 73, 13);
    auto* field = new QLineEdit(&window);
    field->setGeometry(80, 280, 81, 21);
    auto* button = new QPushButton(QStringLiteral("Encrypt"), &window);
    button->setGeometry(387, 280, 60, 25);
    window.show();
    return application.exec();
}
