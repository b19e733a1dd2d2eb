#include "FormFixture.h"

#include "platform/runtime/AppFolder.h"
#include "platform/services/ScriptedUi.h"
#include "shell/FormMain.h"

#include <QDir>
#include <QTest>
#include <QtGlobal>

#include <stdexcept>

namespace testsupport {

FormFixture::FormFixture(bool buildNow)
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder for the application data");
    hadXdg_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    savedXdg_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir_.path()));
    ui_ = std::make_unique<platform::ScriptedUi>();
    if (buildNow)
        build();
}

FormFixture::~FormFixture()
{
    destroy();
    if (ui_ && !allowUnexpected_ && ui_->hasUnexpected() && !QTest::currentTestFailed()) {
        const QString calls = ui_->unexpectedCalls().join(QLatin1Char('\n'));
        QTest::qFail(qPrintable(QStringLiteral("dialogs without an answer:\n") + calls), __FILE__, __LINE__);
    }
    ui_.reset();
    if (hadXdg_)
        qputenv("XDG_DATA_HOME", savedXdg_);
    else
        qunsetenv("XDG_DATA_HOME");
}

void FormFixture::build()
{
    if (!form_)
        form_ = std::make_unique<shell::FormMain>(*ui_);
}

void FormFixture::destroy()
{
    form_.reset();
}

QString FormFixture::appFolder() const
{
    return platform::appFolder();
}

QString FormFixture::appPath(const QString& relative) const
{
    return platform::appPath(relative);
}

} // namespace testsupport
