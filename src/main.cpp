#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovaro"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tovaro"));
    window.show();
    return app.exec();
}
