#include "platform/QtUi.h"
#include "shell/FormMain.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovaro"));
    platform::QtUi ui;
    shell::FormMain form(ui);
    ui.setParentWindow(&form);
    // On a screen not much larger than the window needs, the window takes all of it.
    const QRect screen = form.screen()->availableGeometry();
    if (screen.width() < 1600 || screen.height() < 1000) {
        form.setGeometry(screen);
        form.showMaximized();
    } else {
        form.resize(1280, 800);
        form.show();
    }
    return app.exec();
}
