// The engine binding: what counts as an engine, the engine's texts, and the closed gate
// after mmsDelete.
#include <QTemporaryDir>
#include <QtTest>

#include "ScriptedEngine.h"
#include "platform/services/Engine.h"

using platform::Engine;
using platform::EngineError;

class TestEngineBinding : public QObject {
    Q_OBJECT
private slots:
    void init() { scripted::reset(); }

    void missingLibraryIsNoEngine()
    {
        QTemporaryDir dir;
        QString why;
        Engine engine = Engine::load(dir.filePath(Engine::LibraryFileName), &why);
        QVERIFY(!engine.present());
        QVERIFY(why.contains("not found"));
        QVERIFY_THROWS_EXCEPTION(EngineError, engine.mmsGetVersion());
        // A file of that name that is no library is no engine either.
        QFile junk(dir.filePath(Engine::LibraryFileName));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a library");
        junk.close();
        QVERIFY(!Engine::load(junk.fileName()).present());
    }

    void libraryLackingAFunctionIsNoEngine()
    {
        QString why;
        Engine engine = Engine::load(QStringLiteral(PARTIAL_ENGINE_PATH), &why);
        QVERIFY(!engine.present());
        // The first function of the list that the partial library does not export.
        QVERIFY2(why.endsWith("lacks mmsStart"), qPrintable(why));
        QVERIFY_THROWS_EXCEPTION(EngineError, engine.mmsGetVersion());
    }

    void realLibraryIsAnEngine()
    {
        QString why;
        Engine engine = Engine::load(QStringLiteral(REAL_ENGINE_PATH), &why);
        QVERIFY2(engine.present(), qPrintable(why));
        const QString version = engine.EngineString(engine.mmsGetVersion());
        QCOMPARE(version.size(), 20);
        QVERIFY(!platform::engineTextEmpty(version));
        // The library's copy keeps 19 characters and a NUL.
        const QString cut = engine.EngineString("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        QCOMPARE(cut.size(), 20);
        QCOMPARE(platform::engineText(cut), QString("ABCDEFGHIJKLMNOPQRS"));
    }

    void engineStringIsTwentyCharacters()
    {
        Engine engine(scripted::functions());
        const QString name = engine.EngineString("Martin 1");
        QCOMPARE(name.size(), 20);
        QCOMPARE(name, QString("Martin 1") + QString(12, QChar(0)));
        QCOMPARE(platform::engineText(name), QString("Martin 1"));
        const QString empty = engine.EngineString("");
        QCOMPARE(empty, QString(20, QChar(0)));
        QVERIFY(platform::engineTextEmpty(empty));
        QCOMPARE(platform::engineText(empty), QString());

        // Shown and compared only up to the first NUL; the engine's text is Latin-1.
        QCOMPARE(platform::engineText(engine.EngineString("Sc\xF6nes")), QString::fromUtf8("Scönes"));
        QCOMPARE(platform::engineText(QString("AB") + QChar(0) + "CD"), QString("AB"));
    }

    void nothingReachesTheEngineAfterDelete()
    {
        Engine engine(scripted::functions());
        const int dib = engine.mmsCreateDIB(800, 616);
        engine.mmsDelete();
        QVERIFY(engine.deleted());
        scripted::script().calls.clear();

        QVERIFY_THROWS_EXCEPTION(EngineError, engine.mmsDoJob(1));
        QVERIFY_THROWS_EXCEPTION(EngineError, engine.mmsFillDIB(dib, 0));
        QVERIFY_THROWS_EXCEPTION(EngineError, engine.mmsGetModeName(0));
        QVERIFY_THROWS_EXCEPTION(EngineError, engine.EngineString("x"));
        QVERIFY_THROWS_EXCEPTION(EngineError, engine.mmsDelete());
        QVERIFY(scripted::script().calls.isEmpty());

        // The buffers and the output gain do not belong to the engine instance.
        engine.mmsDeleteDIB(dib);
        engine.vrrSetOutputGain(0x80008000u);
        QCOMPARE(scripted::callNames(), QStringList({"mmsDeleteDIB", "vrrSetOutputGain"}));
    }
};

QTEST_MAIN(TestEngineBinding)
#include "tst_engine_binding.moc"
