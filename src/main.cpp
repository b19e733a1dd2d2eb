#include "engine/EngineControl.h"
#include "platform/services/Engine.h"
#include "platform/services/MediaBackend.h"
#include "platform/services/QtUi.h"
#include "shell/FormMain.h"
#include "shell/Shell.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    platform::chooseMediaBackend();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovaro"));
    platform::QtUi ui;
    shell::FormMain form(ui);
    ui.setParentWindow(&form);
    form.engine().setEngine(platform::Engine::loadBesideExecutable());
    // The load handler shows the window; a second instance or a missing engine ends
    // the program here, before the window is shown and without the shut-down, with a
    // status that says it did not run.
    if (form.shell().Form_Load() == shell::Shell::LoadResult::Ended)
        return 1;
    // The program ends with the main window's shut-down, whatever other window is left.
    QObject::connect(&form, &shell::FormMain::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    return app.exec();
}
