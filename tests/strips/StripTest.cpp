// The thumbnail strip: favourites pages and drops, kept across a restart; categories and trash.
#include "FormFixture.h"
#include "Drags.h"
#include "TestPictures.h"
#include "TrashHome.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "intake/Intake.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/StepRunner.h"
#include "platform/services/Engine.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragIcons.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"
#include "shell/Shell.h"
#include "strips/Strips.h"

#include <QAction>
#include <QDir>
#include <QtTest>

using platform::DragManager;
using testsupport::drag;
using testsupport::FormFixture;
using testsupport::solid;

namespace {

// Favourite n in a colour of its own.
QRgb colourOf(int n) { return qRgb(n * 4, 255 - n * 4, 9); }

// The element (or file number) each strip slot shows, top down; 0 for an empty slot.
QList<int> strip(shell::FormMain& form)
{
    QList<int> shown;
    for (int k = 1; k <= 7; ++k) {
        const QImage p = form.thumbnailFor(strips::stripSlotCode(k))->Picture();
        int found = 0;
        for (int n = 1; !p.isNull() && n <= 53; ++n)
            if (p.pixel(p.width() / 2, p.height() / 2) == colourOf(n))
                found = n;
        shown << found;
    }
    return shown;
}

bool carries(QWidget* source, platform::DragIcon icon)
{
    return DragManager::dragIcon(source).toImage() == platform::dragIcon(icon).toImage();
}

} // namespace

class StripTest : public QObject {
    Q_OBJECT
private slots:
    void favouritePages()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        auto& strips = form.strips();
        for (int n = 1; n <= 53; ++n)
            strips.storePicture(n, solid(8, 8, colourOf(n)));
        strips.storePicture(16, QImage());
        const QString listed = form.File2->Path();

        form.HScroll2->setValue(3);
        QCOMPARE(strip(form), QList<int>({15, 0, 18, 17, 19, 20, 39}));
        QCOMPARE(form.Text5->text(), QStringLiteral("3"));
        form.HScroll2->setValue(1);
        QCOMPARE(strip(form), QList<int>({1, 2, 4, 3, 5, 6, 7}));
        QVERIFY(form.Image24->isHidden());
        QCOMPARE(form.File2->Path(), listed); // the favourites are in memory: no folder is read

        // A page outside 1 to 5 is recorded and shown, and the slots keep their pictures.
        form.HScroll2->setMaximum(10);
        form.HScroll2->setValue(6);
        QCOMPARE(form.Text5->text(), QStringLiteral("6"));
        QCOMPARE(strips.lastPage(strips::Strips::Category::Favorites), 6);
        QCOMPARE(strip(form), QList<int>({1, 2, 4, 3, 5, 6, 7}));
    }

    void favouriteDrops()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        auto& strips = form.strips();
        auto& canvas = form.canvas();
        for (int n = 1; n <= 53; ++n)
            strips.storePicture(n, solid(8, 8, colourOf(n)));
        form.HScroll2->setValue(3);

        // The TX picture on page 3's bottom slot becomes element 39, not 21.
        form.Picture1->setPicture(solid(640, 512, colourOf(50)));
        drag(form.Picture1, canvas::dragTxPicture, form.Image23, form);
        QCOMPARE(strips.storedPicture(39).size(), QSize(640, 512));
        QCOMPARE(strip(form), QList<int>({15, 16, 18, 17, 19, 20, 50}));
        QCOMPARE(strips.storedPicture(21).pixel(0, 0), colourOf(21));

        // The cursor: drop over another slot, no drop over the slot itself, back on leaving.
        drag(form.Image2, 2, form.Image3, form, false);
        QVERIFY(carries(form.Image2, platform::DragIcon::Drop));
        DragManager::instance().moveOver(form.Image2, 5, 5);
        QVERIFY(carries(form.Image2, platform::DragIcon::Carry));
        DragManager::instance().moveOver(form.Image3, 5, 5);
        DragManager::instance().moveOver(nullptr, 0, 0);
        QVERIFY(carries(form.Image2, platform::DragIcon::Carry));
        DragManager::instance().cancel();

        // Nothing is taken: its own code, a call sign, a header box dragged after a slot, a
        // drop while a header is made, a drop outside the favourites.
        const QList<int> before = strip(form);
        drag(form.Image3, 3, form.Image3, form);
        drag(form.Text3, canvas::dragCallSign, form.Image3, form);
        canvas.setDraggedHeaderBox(5);
        drag(form.Picture5, 2, form.Image3, form);
        form.makeheader16->setChecked(true);
        DragManager::setDragIcon(form.Picture1, platform::dragIcon(platform::DragIcon::Carry));
        drag(form.Picture1, canvas::dragTxPicture, form.Image3, form, false);
        QVERIFY(carries(form.Picture1, platform::DragIcon::Carry));
        DragManager::instance().release();
        form.makeheader16->setChecked(false);
        form.Option12->setValue(true);
        form.Option9->setValue(true);
        QCOMPARE(strip(form), before);
        form.Option12->setValue(true);
        drag(form.Picture1, canvas::dragTxPicture, form.Image3, form);
        QCOMPARE(strips.storedPicture(16).pixel(0, 0), colourOf(16));

        // A desktop file on page 5's bottom slot, the first of several, becomes element 53,
        // fitted to the TX picture's size; a drop without a picture file changes nothing.
        form.Option9->setValue(true);
        form.HScroll2->setValue(5);
        QTemporaryDir desktop;
        const QString first = desktop.filePath(QStringLiteral("first.png"));
        const QString second = desktop.filePath(QStringLiteral("second.png"));
        QVERIFY(solid(320, 256, colourOf(30)).save(first));
        QVERIFY(solid(320, 256, colourOf(31)).save(second));
        emit form.Image23->oleDragDrop({first, second}, 1, 0, 3, 3);
        QCOMPARE(strips.storedPicture(53).size(), QSize(640, 512));
        QCOMPARE(strip(form).last(), 30);
        QVERIFY(testsupport::writeBytes(desktop.filePath(QStringLiteral("note.png")), "words"));
        emit form.Image22->oleDragDrop({desktop.filePath(QStringLiteral("note.png"))}, 1, 0, 3, 3);
        emit form.Image22->oleDragDrop({}, 1, 0, 3, 3);
        QCOMPARE(strip(form), QList<int>({47, 48, 50, 49, 51, 52, 30}));

        // A drop on page 2's fourth slot stores element 10 and the whole row: an emptied
        // slot empties its element.
        form.HScroll2->setValue(2);
        form.Image21->setPicture(QImage());
        form.Image12->setPicture(solid(8, 8, colourOf(33)));
        drag(form.Image12, 15, form.Image5, form);
        QCOMPARE(strips.storedPicture(10).pixel(0, 0), colourOf(33));
        QVERIFY(strips.storedPicture(12).isNull());
        QCOMPARE(strip(form), QList<int>({8, 9, 11, 33, 0, 13, 14}));
    }

    void fileCategoriesAndTheirTrash()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        auto& strips = form.strips();
        testsupport::TrashHome trash(f.dataHome());
        const QString sent = f.appPath(QStringLiteral("TXImages"));
        QDir().mkpath(sent);
        // Ten dated pictures; the newest is number 10.
        for (int n = 1; n <= 10; ++n)
            QVERIFY(solid(32, 24, colourOf(n)).save(sent + QStringLiteral("/2401010000%1.jpg").arg(n, 2, 10, QChar('0')),
                                                    "PNG"));
        strips.setLastPage(strips::Strips::Category::TxPictures, 2);

        // TX Pictures comes back at its page: the three oldest; page 1 the seven newest.
        form.Option12->setValue(true);
        QCOMPARE(strip(form), QList<int>({3, 2, 1, 0, 0, 0, 0}));
        QVERIFY(!form.Image24->isHidden());
        form.HScroll2->setValue(1);
        QCOMPARE(strip(form), QList<int>({10, 9, 8, 7, 6, 5, 4}));

        // The newest to the trash: each older one moves up a slot.
        drag(form.Image2, 2, form.Image24, form);
        QCOMPARE(strip(form), QList<int>({9, 8, 7, 6, 5, 4, 3}));
        QVERIFY(QFile::exists(trash.filesPath(QStringLiteral("240101000010.jpg"))));
        QVERIFY(QFile::exists(trash.infoPath(QStringLiteral("240101000010.jpg"))));

        // The list pointed at another folder meanwhile: the file the slot shows still goes.
        QTemporaryDir other(f.dataHome() + QStringLiteral("/otherXXXXXX"));
        for (int n = 0; n < 9; ++n)
            QVERIFY(solid(4, 4, colourOf(40)).save(other.filePath(QStringLiteral("%1.png").arg(n))));
        form.File2->setPath(other.path());
        drag(form.Image5, 5, form.Image24, form);
        QCOMPARE(QDir(other.path()).entryList(QDir::Files).size(), 9);
        QVERIFY(!QFile::exists(sent + QStringLiteral("/240101000006.jpg")));
        QCOMPARE(strip(form), QList<int>({9, 8, 7, 5, 4, 3, 2}));

        // A desktop file shown in a slot stands for no file: the trash deletes nothing for it.
        QTemporaryDir desktop;
        QVERIFY(solid(64, 48, colourOf(41)).save(desktop.filePath(QStringLiteral("d.png"))));
        emit form.Image3->oleDragDrop({desktop.filePath(QStringLiteral("d.png"))}, 1, 0, 3, 3);
        QCOMPARE(strip(form).at(1), 41);
        drag(form.Image3, 3, form.Image24, form);
        // Nor do the TX picture, a recent picture or a browser thumbnail.
        form.Image12->setPicture(solid(8, 8, colourOf(42)));
        form.Image8->setPicture(solid(8, 8, colourOf(43)));
        drag(form.Picture1, canvas::dragTxPicture, form.Image24, form, false);
        QVERIFY(carries(form.Picture1, platform::DragIcon::Carry));
        DragManager::instance().release();
        drag(form.Image12, 15, form.Image24, form);
        drag(form.Image8, 11, form.Image24, form);
        QCOMPARE(QDir(sent).entryList(QDir::Files).size(), 8);
        QVERIFY(f.ui().messages().isEmpty());

        // RX Pictures: the auto-save folder, over its own page count.
        form.engine().setAutoSaveDir(other.path() + QLatin1Char('/'));
        QVERIFY(solid(4, 4, colourOf(45)).save(other.filePath(QStringLiteral("9.png"))));
        strips.setRxPageCount(3);
        form.Option11->setValue(true);
        QCOMPARE(form.HScroll2->maximum(), 3);
        QCOMPARE(strip(form), QList<int>({45, 40, 40, 40, 40, 40, 40}));

        // The favourites switch the trash can off.
        form.Option9->setValue(true);
        QVERIFY(form.Image24->isHidden());
        QCOMPARE(form.HScroll2->maximum(), 5);
    }

    // The camera folder with a file that is no picture, and files coming while the strip
    // shows them: the trash deletes the file a slot showed, whatever its place now. A folder
    // that is gone shows an empty strip that deletes nothing.
    void loaderOverAChangingFolder()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        auto& strips = form.strips();
        testsupport::TrashHome trash(f.dataHome());
        const QString camera = f.appPath(QStringLiteral("CamImages"));
        QDir().mkpath(camera);
        auto frame = [&](int n) { return camera + QStringLiteral("/Camera2401010000%1.jpg").arg(n, 2, 10, QChar('0')); };
        for (int n = 1; n <= 9; ++n)
            QVERIFY(solid(32, 24, colourOf(n)).save(frame(n), "PNG"));
        QVERIFY(testsupport::writeBytes(frame(6), "not a picture"));

        form.intake().setDialogFolder(QStringLiteral("/elsewhere"));
        form.Option10->setValue(true);
        QCOMPARE(strip(form), QList<int>({9, 8, 7, 0, 5, 4, 3}));
        QCOMPARE(form.intake().dialogFolderPath(), f.appFolder());

        // Two newer frames: the slots still stand for what they show until the next load.
        QVERIFY(solid(32, 24, colourOf(10)).save(frame(10), "PNG"));
        QVERIFY(solid(32, 24, colourOf(11)).save(frame(11), "PNG"));
        drag(form.Image4, 4, form.Image24, form);
        QVERIFY(!QFile::exists(frame(7)));
        QVERIFY(QFile::exists(frame(9)));
        QCOMPARE(strip(form), QList<int>({11, 10, 9, 8, 0, 5, 4}));

        // With the adjust panel open a category keeps the slots it shows, but gets its page.
        form.Frame9->show();
        strips.setLastPage(strips::Strips::Category::TxPictures, 2);
        form.Option12->setValue(true);
        QCOMPARE(strip(form), QList<int>({11, 10, 9, 8, 0, 5, 4}));
        QCOMPARE(form.Text5->text(), QStringLiteral("2"));
        form.Frame9->hide();

        form.intake().setDialogFolder(QStringLiteral("/elsewhere"));
        form.engine().setAutoSaveDir(f.dataHome() + QStringLiteral("/gone/"));
        form.Option11->setValue(true);
        QCOMPARE(strip(form), QList<int>({0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(form.intake().dialogFolderPath(), QStringLiteral("/elsewhere"));
        form.Image2->setPicture(solid(4, 4, colourOf(1)));
        drag(form.Image2, 2, form.Image24, form);
        QCOMPARE(QDir(camera).entryList(QDir::Files).size(), 10);
    }

    // Each category comes back at its page, also when RX Pictures showed fewer pages; the
    // RX page count follows the auto-save limit (seven a page).
    void categoriesKeepTheirPages()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        auto& strips = form.strips();
        auto& engine = form.engine();
        platform::StepRunner steps;
        for (const auto& [limit, pages] : {std::pair{1000, 143}, std::pair{20, 3}}) {
            engine.setAutoSaveLimit(limit);
            form.shell().restoreControls(steps);
            QCOMPARE(strips.rxPageCount(), pages);
        }
        form.HScroll2->setValue(5);
        strips.setLastPage(strips::Strips::Category::RxPictures, 1);
        form.Option11->setValue(true);
        QCOMPARE(form.HScroll2->maximum(), 3);
        QCOMPARE(form.HScroll2->value(), 1);
        QCOMPARE(strips.lastPage(strips::Strips::Category::Favorites), 5);
        form.HScroll2->setValue(3);
        strips.setLastPage(strips::Strips::Category::TxPictures, 5);
        form.Option12->setValue(true);
        QCOMPARE(form.HScroll2->value(), 5);
        QCOMPARE(form.HScroll2->maximum(), 5);
        QCOMPARE(form.Text5->text(), QStringLiteral("5"));
        QCOMPARE(strips.lastPage(strips::Strips::Category::TxPictures), 5);
        form.Option11->setValue(true);
        QCOMPARE(form.HScroll2->value(), 3);
    }

    // What iconon and iconoff give the dragged control for every drag-source code; iconoff
    // always gives the twelve swatches the carry cursor.
    void cursorsByDragSource()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        const QImage drop = platform::dragIcon(platform::DragIcon::Drop).toImage();
        const QImage carry = platform::dragIcon(platform::DragIcon::Carry).toImage();
        QPixmap marker(4, 4);
        marker.fill(Qt::magenta);
        QList<QWidget*> controls{form.Picture1, form.Text3, form.Label56};
        for (int code : {2, 3, 4, 5, 10, 11, 12, 13, 14, 15, 16, 17, 18, 21, 22, 23})
            controls << form.thumbnailFor(code);
        for (int n = 1; n <= 12; ++n)
            controls << form.swatch(n);
        for (int code = 0; code <= 99; ++code) {
            QWidget* picture = code == 8 ? static_cast<QWidget*>(form.Picture1) : form.thumbnailFor(code);
            QWidget* text = code == 19 ? static_cast<QWidget*>(form.Text3) : code == 20 ? form.Label56 : nullptr;
            form.canvas().setDragSource(code);
            for (QWidget* w : controls)
                DragManager::setDragIcon(w, marker);
            form.strips().iconon();
            for (QWidget* w : controls)
                QVERIFY2(DragManager::dragIcon(w).toImage() == (w == picture ? drop : marker.toImage()),
                         qPrintable(QStringLiteral("iconon %1: %2").arg(code).arg(w->objectName())));
            form.strips().iconoff();
            for (QWidget* w : controls) {
                const bool swatch = w->objectName().startsWith(QStringLiteral("Label")) && w != form.Label56;
                const QImage expected = w == picture || swatch ? carry : w == text ? QImage() : marker.toImage();
                QVERIFY2(DragManager::dragIcon(w).toImage() == expected,
                         qPrintable(QStringLiteral("iconoff %1: %2").arg(code).arg(w->objectName())));
            }
        }
    }

    void cleanup()
    {
        if (DragManager::instance().active())
            DragManager::instance().cancel();
    }
};

QTEST_MAIN(StripTest)
#include "StripTest.moc"
