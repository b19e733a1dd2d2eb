#pragma once
// What the start-up and shut-down tests share: files in the application folder, and a
// window loaded over it with the scripted engine behind it.

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include "FormFixture.h"
#include "ScriptedEngine.h"
#include "TestPictures.h"
#include "engine/EngineControl.h"
#include "shell/FormMain.h"
#include "shell/Shell.h"

namespace startupfiles {

using testsupport::fileBytes;

// The bytes written into a file of that name, its folders made first.
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QVERIFY(testsupport::writeBytes(path, bytes));
}

inline shell::Shell::LoadResult load(testsupport::FormFixture& f)
{
    if (!f.built())
        f.build();
    f.form().engine().setEngine(platform::Engine(scripted::functions()));
    return f.form().shell().Form_Load();
}

} // namespace startupfiles
