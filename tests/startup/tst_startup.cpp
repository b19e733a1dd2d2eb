// The main window's load handler and the engine's start and stop, driven over a fresh
// application folder: what it creates, reads and leaves alone, and what reaches the engine.
#include <QDirIterator>
#include <QSignalSpy>
#include <QScreen>
#include <QtTest>

#include "KilledWrite.h"
#include "StartupFiles.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/runtime/InstanceLock.h"
#include "platform/widgets/PictureBox.h"
#include "platform/services/ScriptedUi.h"
#include "qso/Qso.h"
#include "shell/FormSetup.h"
#include "text/TextTools.h"

using shell::Shell;
using testsupport::FormFixture;
using namespace startupfiles;
using Result = Shell::LoadResult;

namespace {

const QStringList kFolders = {"AutoSave", "TXImages", "MugShots", "Favorites", "CamImages"};

// Every file and folder under a folder with its content; the lock file is the running
// instance's own.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QDir(folder).relativeFilePath(path);
        if (name.endsWith(".lock"))
            continue;
        files[name] = it.fileInfo().isDir() ? QByteArray("<dir>") : fileBytes(path);
    }
    return files;
}

// The message boxes shown, each as "title|text|style".
QStringList boxes(FormFixture& f)
{
    QStringList shown;
    for (const platform::UiCall& box : f.ui().calls(platform::UiCall::MsgBox))
        shown << QStringLiteral("%1|%2|%3").arg(box.title, box.text).arg(box.style);
    return shown;
}

QList<QByteArray> modeNames(int count)
{
    QList<QByteArray> names;
    for (int i = 0; i < count; ++i)
        names << QByteArray("Mode ") + QByteArray::number(i);
    return names;
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        scripted::reset();
        scripted::script().modeNames = modeNames(43);
    }

    void firstStartInAnEmptyFolder()
    {
        FormFixture f;
        QVERIFY(!QFileInfo::exists(f.appFolder()));
        QCOMPARE(load(f), Result::Running);
        shell::FormMain& form = f.form();

        for (const QString& name : kFolders)
            QVERIFY2(QFileInfo(f.appPath(name)).isDir(), qPrintable(name));
        QCOMPARE(form.engine().autoSaveDir(), f.appPath("AutoSave") + "/");
        // Nothing but the folders (and the instance's lock): no log, so no backup either.
        QStringList entries = QDir(f.appFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        entries.removeIf([](const QString& n) { return n.endsWith(".lock"); });
        QCOMPARE(QSet<QString>(entries.begin(), entries.end()), QSet<QString>(kFolders.begin(), kFolders.end()));

        // The defaults a first start shows are those its settings file holds (the settings
        // test reads that file line by line).
        QVERIFY(!form.loaded(shell::FormMain::Window::Splash)); // played, hidden and unloaded
        // The window in the screen's corner and inside it (the screens of operators are
        // tried in the screens test).
        QCOMPARE(form.frameGeometry().topLeft(), form.screen()->availableGeometry().topLeft());
        QVERIFY(form.screen()->availableGeometry().contains(form.frameGeometry()));
        QCOMPARE(form.File1->Path(), f.appFolder());
        QCOMPARE(form.SSTab1->currentIndex(), 1);
        QVERIFY(form.Command2->isHidden()); // the log's "S" until an entry is edited
        // Preset 1 marked.
        QCOMPARE(platform::backColor(form.Command21), 0xC000u);
        for (auto* b : {form.Command25, form.Command23, form.Command24})
            QCOMPARE(platform::backColor(b), 0xC0C0u);

        // The engine is running, named in the caption, its dialog titled; the window is shown.
        QVERIFY(form.isVisible());
        QCOMPARE(form.windowTitle(),
                 QString("TOVARO+  01/MAR/2003. WARNING-THIS IS BETA WITH PROBABLE BUGS.  Vareror-Eng Ver:1.05 or "
                         "better required. Your version installed is: 1.05-scripted"));
        const QStringList calls = scripted::script().calls;
        QVERIFY(calls.contains("mmsCreateDIB(800,616)=1"));
        QVERIFY(calls.contains("mmsCreateDIB(800,616)=2"));
        QVERIFY(calls.contains("mmsSetBitmap(2,0,1)=1"));
        QVERIFY(calls.contains("mmsSetSpecRange(700,2000)=1"));
        QVERIFY(calls.contains("mmsFillDIB(2,0)=1"));
        QVERIFY(calls.contains("mmsSetOptionTitle(Set clock sample rate not above 11025+- for slower computers.     "
                               "Vareror Engine VER: 1.05-scripted)=1"));
        const QStringList names = scripted::callNames();
        QVERIFY(names.indexOf("mmsCreate") < names.indexOf("mmsStart"));
        QVERIFY(names.indexOf("mmsStart") < names.indexOf("mmsGetModeName"));
        QCOMPARE(form.Combo2->listCount(), 43);
        QCOMPARE(form.Label37->caption(), QString("Mode 0"));
        QCOMPARE(form.engine().notchFrequency(), 50);
        // The strip's trash can shows the browser's.
        QVERIFY(!form.Image24->Picture().isNull());
        QCOMPARE(form.Image24->Picture(), form.Image16->Picture());
        QVERIFY(!f.ui().hasUnexpected());
    }

    // An auto-save folder that is set is not created, even when it does not exist.
    void setAutoSaveFolderIsNotCreated()
    {
        FormFixture f;
        const QString elsewhere = f.dataHome() + "/elsewhere/";
        f.form().engine().setAutoSaveDir(elsewhere);
        QCOMPARE(load(f), Result::Running);
        QVERIFY(!QFileInfo::exists(f.appPath("AutoSave")));
        QVERIFY(!QFileInfo::exists(elsewhere));
        QCOMPARE(f.form().engine().autoSaveDir(), elsewhere);
        QVERIFY(QFileInfo(f.appPath("TXImages")).isDir());
    }

    // Folders that exist, and the files in them, are left as they are; a log unchanged
    // since the last start gives the same backup.
    void secondStartChangesNothing()
    {
        FormFixture f(false);
        for (const QString& name : kFolders)
            writeFile(f.appPath(name + "/kept.jpg"), "picture " + name.toLatin1());
        writeFile(f.appPath("logdata"), "DL1ABC 599 14.230\r\n");
        writeFile(f.appPath("logdata.bak"), "\"DL1ABC 599 14.230\r\n\"\r\n");
        writeFile(f.appPath("messages"), "CQ SSTV\r\n");
        writeFile(f.appPath("restoreTovaroM"), "\"Arial\"\r\n");
        const auto before = snapshot(f.appFolder());
        f.build();
        f.ui().answerMsgBox(platform::vbOK); // the settings file cut short
        QCOMPARE(load(f), Result::Running);
        QCOMPARE(snapshot(f.appFolder()), before);
        QCOMPARE(f.form().Text2->text(), QString("CQ SSTV"));
    }

    void secondInstanceIsRefusedAndTouchesNoFile()
    {
        FormFixture f(false);
        writeFile(f.appPath("logdata"), "G4XYZ new entry\r\n");
        writeFile(f.appPath("logdata.bak"), "\"older log\"\r\n");
        // the running instance's write of its log, under way
        QVERIFY(testsupport::killedWrite(f.appPath("logdata")));
        const auto before = snapshot(f.appFolder());
        platform::InstanceLock running(f.appFolder());
        QVERIFY(running.tryLock());

        // On a large-fonts display the second instance still shows only its own box.
        f.build();
        f.form().shell().displayTwipsPerPixel = [] { return 12; };
        f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), Result::Ended);
        QCOMPARE(boxes(f), (QStringList{"DUPLICATE INSTANCE Tovaro|You are trying to open this application a second "
                                        "time.\r\nThere will be BIG TROUBLE if this takes place.\r\nClick OK to abort.|0"}));
        QCOMPARE(snapshot(f.appFolder()), before);
        // The engine timer may poll while the splash plays; nothing else reaches the engine.
        QStringList calls = scripted::callNames();
        calls.removeAll("mmsDoJob");
        calls.removeAll("mmsDrawDIBwnd");
        calls.removeAll("mmsDrawDIBdc");
        calls.removeAll("vrrGetOption");
        QCOMPARE(calls, QStringList());
        QVERIFY(!f.form().isVisible());
    }

    // An application folder that cannot be made is no second instance: the start goes on
    // without it, and the operator is told that nothing will be saved.
    void unusableFolderIsNoSecondInstance()
    {
        FormFixture f(false);
        writeFile(f.appFolder(), "a plain file where the folder should be");
        f.build();
        f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), Result::Running);
        QCOMPARE(boxes(f).size(), 1);
        QVERIFY2(boxes(f).first().contains("settings and pictures will not be saved"), qPrintable(boxes(f).first()));
        QVERIFY(f.form().isVisible());
        QCOMPARE(fileBytes(f.appFolder()), QByteArray("a plain file where the folder should be"));
    }

    void logBackup()
    {
        // Quotes, both kinds of line end and bytes that are not UTF-8 come through unchanged.
        const QByteArray log = "DL1ABC \"the \"\"big\"\" one\"\r\nG4XYZ caf\xE9\nlast";
        {
            FormFixture f(false);
            writeFile(f.appPath("logdata"), log);
            writeFile(f.appPath("logdata.bak"), "old");
            QCOMPARE(load(f), Result::Running);
            QCOMPARE(fileBytes(f.appPath("logdata.bak")), "\"" + log + "\"\r\n");
            QCOMPARE(f.form().qso().contactLog().logText(), QString::fromLatin1(log));
        }
        // An empty log is still backed up.
        {
            FormFixture f(false);
            writeFile(f.appPath("logdata"), "");
            QCOMPARE(load(f), Result::Running);
            QCOMPARE(fileBytes(f.appPath("logdata.bak")), QByteArray("\"\"\r\n"));
        }
        // No log: the backup, perhaps the only copy left, stays as it was.
        {
            FormFixture f(false);
            writeFile(f.appPath("logdata.bak"), "\"" + log + "\"\r\n");
            QCOMPARE(load(f), Result::Running);
            QCOMPARE(fileBytes(f.appPath("logdata.bak")), "\"" + log + "\"\r\n");
            QCOMPARE(f.form().qso().contactLog().logText(), QString());
        }
    }

    void messagesLoseTheirLineEnd_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("pane");
        QTest::newRow("as written at exit") << QByteArray("CQ CQ\r\nde DL1ABC\r\n") << QString("CQ CQ\r\nde DL1ABC");
        QTest::newRow("empty pane") << QByteArray("\r\n") << QString();
        QTest::newRow("one character") << QByteArray("X") << QString("X");
        // A file from another editor: only CR LF is the writer's own line end.
        QTest::newRow("no line end") << QByteArray("73s") << QString("73s");
        QTest::newRow("ends in LF") << QByteArray("first line\nsecond line\n") << QString("first line\r\nsecond line\r\n");
        QTest::newRow("missing") << QByteArray() << QString();
    }

    void messagesLoseTheirLineEnd()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, pane);
        FormFixture f(false);
        if (!file.isEmpty())
            writeFile(f.appPath("messages"), file);
        QCOMPARE(load(f), Result::Running);
        QCOMPARE(f.form().Text2->text(), pane);
    }

    // A display at other than 15 twips per pixel is warned about once; the start goes on.
    void largeFontsWarnOnly()
    {
        FormFixture f;
        f.form().shell().displayTwipsPerPixel = [] { return 12; };
        f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), Result::Running);
        QCOMPARE(boxes(f), (QStringList{"LARGE FONTS|Your Computer is configured with Large Fonts.\rTovaro will not "
                                        "work correctly in Large Fonts.|0"}));
        QVERIFY(f.form().isVisible());
    }

    void fontStyleCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("underline");
        QTest::addColumn<int>("italic");
        QTest::addColumn<int>("bold");
        QTest::newRow("101") << 101 << 1 << 0 << 1;
        QTest::newRow("10") << 10 << 0 << 1 << 0;
        QTest::newRow("0") << 0 << 0 << 0 << 0;
    }

    void fontStyleCode()
    {
        QFETCH(int, code);
        QFETCH(int, underline);
        QFETCH(int, italic);
        QFETCH(int, bold);
        FormFixture f;
        f.form().text().setFontStyleCode(qint16(code));
        QCOMPARE(load(f), Result::Running);
        QCOMPARE(f.form().Check13->value(), underline);
        QCOMPARE(f.form().Check14->value(), italic);
        QCOMPARE(f.form().Check6->value(), bold);
        // Bold reaches the TX screen's font through the box's handler.
        QCOMPARE(f.form().Picture1->FontBold(), bold == 1);
    }

    void fontPresetTwo()
    {
        FormFixture f;
        auto& text = f.form().text();
        text.setFontPresetSelected(2);
        text.setFontPresetText(15, "DejaVu Serif");
        text.setFontPresetPicture(15, "DejaVu Sans Mono");
        QCOMPARE(load(f), Result::Running);
        QCOMPARE(platform::backColor(f.form().Command23), 0xC000u);
        for (auto* b : {f.form().Command21, f.form().Command25, f.form().Command24})
            QCOMPARE(platform::backColor(b), 0xC0C0u);
        QCOMPARE(f.form().Text1->font().family(), QString("DejaVu Serif"));
        QCOMPARE(f.form().Picture1->FontName(), QString("DejaVu Sans Mono"));
    }

    // Without an engine (no library, or one without every function) the message is shown
    // and the start ends: no engine is created and the window is never shown.
    void noEngineEndsTheStart()
    {
        for (const QString& path : {QString("/nonexistent/libvareror.so"), QString(PARTIAL_ENGINE_PATH)}) {
            FormFixture f;
            f.form().engine().setEngine(platform::Engine::load(path));
            f.ui().answerMsgBox(platform::vbOK);
            QCOMPARE(f.form().shell().Form_Load(), Result::Ended);
            QCOMPARE(boxes(f), QStringList{"|VAREROR.DLL missing. Please install in Application Directory.|0"});
            QVERIFY(!f.form().isVisible());
            QCOMPARE(f.form().Combo2->listCount(), 0);
            QCOMPARE(f.form().engine().txDib(), 0);
        }
        // A library that answers with an empty version is no engine either.
        FormFixture f;
        scripted::script().version.clear();
        f.ui().answerMsgBox(platform::vbOK);
        QCOMPARE(load(f), Result::Ended);
        QVERIFY(!scripted::callNames().contains("mmsCreate"));
    }

    void modeNamesUpToTheFirstGap()
    {
        {
            FormFixture f;
            scripted::script().modeNames = {"Robot 36", "Martin 1", "Scottie 1", "", "Later"};
            f.form().engine().setTxMode(1);
            QCOMPARE(load(f), Result::Running);
            QCOMPARE(f.form().Combo2->listCount(), 3);
            QCOMPARE(f.form().Combo2->list(2), QString("Scottie 1"));
            QCOMPARE(f.form().Combo2->listIndex(), 1);
            QCOMPARE(f.form().engine().txMode().toInt(), 1);
            QCOMPARE(f.form().engine().rxMode().toInt(), 1);
            QCOMPARE(f.form().Label37->caption(), QString("Martin 1"));
        }
        {
            FormFixture f;
            scripted::script().modeNames = modeNames(60);
            QCOMPARE(load(f), Result::Running);
            QCOMPARE(f.form().Combo2->listCount(), 51);
        }
        {
            FormFixture f;
            scripted::script().modeNames = {};
            QCOMPARE(load(f), Result::Running);
            QCOMPARE(f.form().Combo2->listCount(), 0);
        }
    }

    void tuningDisplayAndNotch()
    {
        // The calls' order is the start-up's own: no engine tick comes between them by the
        // machine's time.
        platform::ManualClock clock;
        platform::UseClock use(clock);
        {
            // "Notch" ticked: no FM word; the notch at 50 Hz over 0 to 3000 Hz.
            FormFixture f;
            f.form().Check11->setValue(1);
            scripted::reset();
            scripted::script().modeNames = modeNames(3);
            scripted::script().tuneWord = 0x7FFF;
            QCOMPARE(load(f), Result::Running);
            const QStringList calls = scripted::script().calls;
            QVERIFY(!calls.contains(QString("mmsSetTuneControl(%1)=%1").arg((0x7FFF & 0xFFFFFFC8) | 0x25)));
            const qsizetype range = calls.indexOf("mmsSetSpecRange(0,3000)=1");
            QVERIFY(range > calls.indexOf("mmsStart()=1"));
            QCOMPARE(calls.indexOf("mmsSetNotch(50)=50"), range + 1);
        }
        {
            // "Notch" unticked, "Sp FFT" ticked: the FM word first, then the FFT word.
            FormFixture f;
            f.form().Check12->setValue(1);
            scripted::reset();
            scripted::script().modeNames = modeNames(3);
            scripted::script().tuneWord = 0x100;
            QCOMPARE(load(f), Result::Running);
            QStringList words;
            for (const QString& call : scripted::script().calls)
                if (call.startsWith("mmsSetTuneControl(") && !call.startsWith("mmsSetTuneControl(-1)"))
                    words << call.section('(', 1).section(')', 0, 0);
            QVERIFY(!words.isEmpty());
            QCOMPARE(words.first(), QString::number(0x125));
            QCOMPARE(words.last(), QString::number(0x112));
            QCOMPARE(f.form().Check12->value(), 1);
            QCOMPARE(f.form().Check25->value(), 0);
        }
    }

    void queryUnloadWaitsWithEventsAndHoldsTheEngineOff()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        QCOMPARE(load(f), Result::Running);
        auto& engine = f.form().engine();
        const QList<int32_t> dibs = {engine.rxDib(), engine.txDib(), engine.specDibA(), engine.specDibB(), engine.tuneDib()};
        scripted::script().calls.clear();

        // While it waits, events run: the engine timer ticks and the operator can still
        // click, but nothing reaches the deleted engine.
        QSignalSpy ticks(f.form().Timer1, &platform::VbTimer::Timer);
        clock.after(500, [&] { f.form().Check11->setValue(1); });
        clock.after(700, [&] { f.form().Check12->setValue(1); });
        const qint64 start = clock.now();
        engine.Form_QueryUnload();
        QCOMPARE(clock.now() - start, 2000);
        QCOMPARE(ticks.size(), 10);
        QCOMPARE(f.form().Check11->value(), 1);
        QCOMPARE(f.form().Check12->value(), 1);
        QStringList expected = {"mmsDelete()=1"};
        for (int32_t dib : dibs)
            expected << QString("mmsDeleteDIB(%1)=1").arg(dib);
        QCOMPARE(scripted::script().calls, expected);
        QVERIFY(engine.binding().deleted());
    }

    // The program's own library: a first start reaches the running engine with its modes.
    void realEngine()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        QString why;
        platform::Engine real = platform::Engine::load(REAL_ENGINE_PATH, &why);
        QVERIFY2(real.present(), qPrintable(why));
        for (const auto& [name, value] : {std::pair{"input", "none"}, std::pair{"output", "none"}})
            QCOMPARE(real.vrrSetOption(name, value), 1);
        f.form().engine().setEngine(std::move(real));
        QCOMPARE(f.form().shell().Form_Load(), Result::Running);
        QVERIFY(f.form().windowTitle().endsWith(f.form().engine().engineVersion()));
        QVERIFY(!f.form().engine().engineVersion().isEmpty());
        QVERIFY(f.form().Combo2->listCount() >= 37);
        QVERIFY(f.form().engine().txDib() > 0 && f.form().engine().rxDib() > 0);
        f.form().engine().Form_QueryUnload();
        QVERIFY(f.form().engine().binding().deleted());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
