#pragma once
// What the start-up and shut-down tests share: files in the application folder, and a
// window loaded over it with the scripted engine behind it.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include "FormFixture.h"
#include "ScriptedEngine.h"
#include "engine/EngineControl.h"
#include "shell/FormMain.h"
#include "shell/Shell.h"

namespace startupfiles {

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

inline shell::Shell::LoadResult load(testsupport::FormFixture& f)
{
    if (!f.built())
        f.build();
    f.form().engine().setEngine(platform::Engine(scripted::functions()));
    return f.form().shell().Form_Load();
}

} // namespace startupfiles
