#pragma once
// The main window started on the scripted engine over a fresh application folder, on a clock
// of the test's own (the shut-down's waits take no time); `prepare` fills the fresh script
// before each start; restart() closes it as the operator does and starts it again over the
// same folder, for what must survive a restart. Link startup_scripted_engine.

#include "FormFixture.h"
#include "ScriptedEngine.h"

#include "engine/EngineControl.h"
#include "platform/runtime/Clock.h"
#include "platform/services/Engine.h"
#include "shell/FormMain.h"
#include "shell/Shell.h"

#include <QTest>

#include <functional>

namespace testsupport {

struct ScriptedStart {
    platform::ManualClock clock;
    platform::UseClock use{clock};
    FormFixture f;
    std::function<void(scripted::Script&)> prepare;

    explicit ScriptedStart(std::function<void(scripted::Script&)> prepareScript = {})
        : prepare(std::move(prepareScript))
    {
        start();
    }
    shell::FormMain& form() const { return f.form(); }
    void start()
    {
        scripted::reset();
        if (prepare)
            prepare(scripted::script());
        f.form().engine().setEngine(platform::Engine(scripted::functions()));
        QCOMPARE(f.form().shell().Form_Load(), shell::Shell::LoadResult::Running);
    }
    void restart()
    {
        f.form().close();
        f.destroy();
        f.build();
        start();
    }
};

} // namespace testsupport
