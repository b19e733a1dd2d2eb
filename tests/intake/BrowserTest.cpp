// The picture browser on the main window: pages, fits, quick directories, drops, restarts.
#include "BrowserPages.h"
#include "Drags.h"
#include "ScriptedStart.h"
#include "TestPictures.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "intake/Fitting.h"
#include "intake/FormCrop.h"
#include "intake/Intake.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/StepRunner.h"
#include "platform/services/Engine.h"
#include "platform/services/Picbuf.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "shell/Shell.h"

#include <QAction>
#include <QGroupBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using intake::FitMode;
using intake::FitRect;
using platform::DragManager;
using testsupport::FormFixture;
using testsupport::pixels;
using testsupport::solid;
using namespace browsertest;

namespace {

constexpr quint32 Green = 0xFF00, Off = 0xC0C0, Red = 255;

bool near(const FitRect& r, float left, float top, float width, float height)
{
    auto close = [](float a, float b) { return qAbs(a - b) < 0.06f; };
    return close(r.left, left) && close(r.top, top) && close(r.width, width) && close(r.height, height);
}

QString describe(const FitRect& r)
{
    return QStringLiteral("%1, %2, %3 x %4").arg(r.left).arg(r.top).arg(r.width).arg(r.height);
}

int drops(platform::ScriptedUi& ui)
{
    return int(ui.calls(platform::UiCall::SaveFile).size());
}

} // namespace

class BrowserTest : public QObject {
    Q_OBJECT
private slots:
    void pagesForwardAndBack()
    {
        Browser b;
        auto& [f, form, in] = b;
        QSignalSpy pointer(&form, &shell::FormMain::MousePointerChanged);
        QTemporaryDir six, eight, five;
        writeColours(six.path(), 6);
        writeColours(eight.path(), 8);
        writeColours(five.path(), 5);

        b.page(six.path());
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
        QCOMPARE(form.File1->ListIndex(), 4);
        QCOMPARE(pointer.count(), 2); // the hourglass while the page loads, then the default
        QCOMPARE(pointer.at(0).at(0).toInt(), 11);
        in.Label13_Click();
        QCOMPARE(shown(form), QList<int>({4, 5, -1, -1}));
        QCOMPARE(form.File1->ListIndex(), 5);
        in.Label13_Click();
        QCOMPARE(shown(form), QList<int>({5, -1, -1, -1}));

        b.page(eight.path());
        in.Label13_Click();
        QCOMPARE(shown(form), QList<int>({4, 5, 6, 7}));
        in.Label27_Click();
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
        in.Label27_Click(); // from the first page: nothing
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
        // Pressing file 2 shows the page that begins there; back a page is 0 to 3.
        in.File1_MouseDown(1, 0, 5, 5);
        QCOMPARE(shown(form), QList<int>({-1, -1, -1, -1}));
        form.File1->setListIndex(2);
        in.File1_GotFocus();
        QCOMPARE(shown(form), QList<int>({2, 3, 4, 5}));
        in.Label27_Click();
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));

        b.page(five.path());
        in.Label13_Click();
        in.Label27_Click(); // the selection is 4 of five: Prev does nothing
        QCOMPARE(shown(form), QList<int>({4, -1, -1, -1}));
    }

    void pagesThatShowNothing()
    {
        Browser b;
        auto& [f, form, in] = b;
        QTemporaryDir empty, pictures;
        writeColours(pictures.path(), 5);
        // An unreadable third file leaves its slot empty instead of repeating the one before.
        QVERIFY(testsupport::writeBytes(pictures.filePath(QStringLiteral("p2.png")), "not a picture"));
        b.page(pictures.path());
        QCOMPARE(shown(form), QList<int>({0, 1, -1, 3}));

        QSignalSpy pointer(&form, &shell::FormMain::MousePointerChanged);
        form.File1->setPath(empty.path());
        in.Label13_Click();
        QCOMPARE(shown(form), QList<int>({-1, -1, -1, -1}));
        QCOMPARE(pointer.count(), 0);

        // A filter that matches nothing; " All Files" takes them back, "*tga" as written.
        b.page(pictures.path());
        in.filterClick(19);
        QCOMPARE(form.File1->Pattern(), QStringLiteral("*.pcx"));
        QCOMPARE(form.File1->ListIndex(), -1);
        QCOMPARE(shown(form), QList<int>({-1, -1, -1, -1}));
        in.filterClick(0);
        QVERIFY(form.File1->Pattern().contains(QStringLiteral(";*tga;")));
        QCOMPARE(form.File1->ListCount(), 5);
        QCOMPARE(shown(form), QList<int>({0, 1, -1, 3}));
    }

    // One row per branch of the fits; the form tests below see them on the screen.
    void fitRectangles()
    {
        using intake::aspectFigure;
        const float full = aspectFigure(640, 512), fourThree = aspectFigure(4, 3), threeFour = aspectFigure(480, 640);
        const struct {
            FitRect got;
            float l, t, w, h;
        } cases[] = {
            {thumbnailFit(FitMode::Correct, fourThree), 0, 15.5f, 640, 479.8f},
            {thumbnailFit(FitMode::SpreadFill, fourThree), -21.2f, 0, 682.4f, 512},
            {thumbnailFit(FitMode::Correct, threeFour), 128.1f, 0, 405.5f, 526},
            {thumbnailFit(FitMode::StretchFill, threeFour), 0, 0, 640, 512},
            // A narrow picture in Spread Fill overflows above and below alike.
            {thumbnailFit(FitMode::SpreadFill, threeFour), 0, -159.1f, 640, 830.3f},
            {thumbnailFit(FitMode::None, full), 0, 0, 0, 0},
            {desktopDropFit(FitMode::Correct, threeFour, intake::outerRatio(480, 640)), 127.6f, 0, 384.8f, 512},
            {desktopDropFit(FitMode::SpreadFill, fourThree, 1), -30.8f, 0, 701.6f, 512},
            {desktopDropFit(FitMode::Correct, fourThree, 1), 0, 16, 640, 512},
            {desktopDropFit(FitMode::Correct, aspectFigure(1600, 900), 1), 0, 80.9f, 640, 350.3f},
        };
        for (const auto& c : cases)
            QVERIFY2(near(c.got, c.l, c.t, c.w, c.h), qPrintable(describe(c.got)));

        bool narrow = false;
        QVERIFY(near(intake::txDropFit(threeFour, narrow), 122.7f, 0, 394.7f, 512));
        QVERIFY(narrow);
        QVERIFY(near(intake::txDropFit(full, narrow), 0, 0, 640, 512));
        QVERIFY(!narrow);
    }

    void fitModesOnTheForm()
    {
        Browser b;
        auto& [f, form, in] = b;
        QCOMPARE(platform::backColor(form.Label71), Green); // every run starts in Spread Fill
        // A narrow picture in Correct: bars in the colour of its top-left pixel.
        QImage narrow = solid(300, 400, 0xFF808080);
        narrow.setPixel(0, 0, 0xFFFF00FF);
        in.setFitSource(narrow);
        in.fitLabelClick(70);
        form.Picture2->setAutoRedraw(true);
        in.imagecorrectaspect();
        QCOMPARE(pixels(form.Picture2->Image(), {{5, 256}, {320, 256}}), (QList<QRgb>{0xFFFF00FF, 0xFF808080}));
        // A large picture is held reduced, fitted by its own size and corner colour.
        QImage large = solid(3000, 2000, 0xFF808080);
        large.setPixel(0, 0, 0xFF00FFFF);
        in.setFitSource(large);
        QVERIFY(form.Picture13->width() <= 2048);
        in.imagecorrectaspect();
        // The band above runs to row 41.4.
        QCOMPARE(pixels(form.Picture2->Image(), {{320, 40}, {320, 43}}), (QList<QRgb>{0xFF00FFFF, 0xFF808080}));
        // No label chosen: a plain box of that colour.
        in.setFitSource(narrow);
        for (platform::Label* l : {form.Label70, form.Label71, form.Label72})
            platform::setBackColor(l, Off);
        in.imagecorrectaspect();
        QCOMPARE(pixels(form.Picture2->Image(), {{320, 256}, {639, 511}}), (QList<QRgb>{0xFFFF00FF, 0xFFFF00FF}));

        // A mode click shows the same page again in the new mode, on every page: the short
        // last one, and the full last page of a filtered list, after which " >>>> Next 4"
        // goes on as before. In Icons mode the labels are inert.
        QTemporaryDir dir;
        writeColours(dir.path(), 6);
        b.page(dir.path());
        in.fitLabelClick(72);
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
        in.Label13_Click();
        in.fitLabelClick(71);
        QCOMPARE(shown(form), QList<int>({4, 5, -1, -1}));
        QVERIFY(testsupport::solid(64, 48, 0xFFFFFFFF).save(dir.filePath(QStringLiteral("q.bmp"))));
        QFile::rename(dir.filePath(QStringLiteral("p4.png")), dir.filePath(QStringLiteral("p4.bmp")));
        QFile::rename(dir.filePath(QStringLiteral("p5.png")), dir.filePath(QStringLiteral("p5.bmp")));
        in.filterClick(20);
        QCOMPARE(form.File1->ListCount(), 4);
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
        in.fitLabelClick(70);
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
        QCOMPARE(form.File1->ListIndex(), 3);
        in.Label13_Click();
        QCOMPARE(shown(form), QList<int>({3, -1, -1, -1}));
        platform::setBackColor(form.Label43, Green);
        in.fitLabelClick(72);
        QCOMPARE(platform::backColor(form.Label70), Green);
        QCOMPARE(platform::backColor(form.Label72), Off);
    }

    void droppedPicturesFitted()
    {
        Browser b;
        auto& [f, form, in] = b;
        constexpr QRgb K = 0xFF000000, R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF;
        // A 3:4 thumbnail dropped on the TX screen: full height between black bars.
        form.Image8->setPicture(solid(480, 640, R));
        form.Picture1->setPicture(solid(640, 512, 0xFFFFFFFF));
        form.canvas().setDragSource(11);
        in.picturecorrectaspect();
        QCOMPARE(pixels(form.Picture1->Picture(), {{122, 256}, {123, 256}, {517, 256}, {518, 256}}), (QList<QRgb>{K, R, R, K}));
        // A code that names no thumbnail fits the picture held before again.
        form.canvas().setDragSource(0);
        form.Picture1->setPicture(solid(640, 512, 0xFFFFFFFF));
        in.picturecorrectaspect();
        QCOMPARE(form.Picture1->Picture().pixel(123, 0), R);

        // Desktop drops: Correct of 3:4 by the outer ratio.
        in.fileLoader().setPicture(solid(480, 640, G));
        in.fitLabelClick(70);
        in.olepicturesize();
        QCOMPARE(pixels(form.Picture2->Picture(), {{127, 100}, {128, 100}, {512, 100}, {513, 100}}), (QList<QRgb>{K, G, G, K}));
        // A narrow picture in Spread Fill: both ends cut alike (159 rows above, 159 below).
        in.fitLabelClick(71);
        QImage banded = solid(480, 640, B);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 480; ++x) {
                banded.setPixel(x, y, R);
                banded.setPixel(x, 639 - y, G);
            }
        in.fileLoader().setPicture(banded);
        in.olepicturesize();
        QCOMPARE(pixels(form.Picture2->Picture(), {{320, 0}, {320, 10}, {320, 501}, {320, 511}}), (QList<QRgb>{R, B, B, G}));
    }

    void quickDirectories()
    {
        Browser b;
        auto& [f, form, in] = b;
        QTemporaryDir a, bb, c;
        writeColours(a.path(), 10);
        writeColours(bb.path(), 6);
        in.setQuickDir(7, c.path()); // Dir 7 is not element 7
        in.setQuickDir(9, a.path());
        in.setQuickDir(10, bb.path());
        in.setQuickDirPage(7, 4);
        in.setQuickDirPage(8, 2);

        in.quickDirClick(7);
        QCOMPARE(form.File1->Path(), QDir::cleanPath(a.path()));
        QCOMPARE(shown(form), QList<int>({4, 5, 6, 7}));
        QCOMPARE(form.Command5->text(), QStringLiteral("Dir7"));
        // Paging records the page for the marked button.
        in.Label13_Click();
        QCOMPARE(in.quickDirPage(7).toInt(), 8);

        in.quickDirClick(8);
        QCOMPARE(form.File1->Path(), QDir::cleanPath(bb.path()));
        QCOMPARE(shown(form), QList<int>({2, 3, 4, 5}));
        // One marker: Dir 7 is at rest again.
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(form.quickDirButton(n)->text().contains(QStringLiteral("Dir%1").arg(n)), n == 8);

        // The first folder change after the click shows thumbnails, the next only clears.
        QDir(bb.path()).mkdir(QStringLiteral("sub"));
        writeColours(bb.filePath(QStringLiteral("sub")), 2);
        form.Dir1->setPath(bb.filePath(QStringLiteral("sub")));
        QCOMPARE(shown(form), QList<int>({0, 1, -1, -1}));
        form.Dir1->setPath(a.path());
        QCOMPARE(shown(form), QList<int>({-1, -1, -1, -1}));
        // " >>>> Next 4" then shows the new folder's first page, and pages on from there.
        in.Label13_Click();
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
        in.Label13_Click();
        QCOMPARE(shown(form), QList<int>({4, 5, 6, 7}));

        // A stored folder that is gone: the button is marked, the lists and slots stay.
        b.page(a.path());
        in.setQuickDir(3, a.filePath(QStringLiteral("gone")));
        in.quickDirClick(3);
        QCOMPARE(form.Command16->text(), QStringLiteral("Dir3"));
        QCOMPARE(form.File1->Path(), QDir::cleanPath(a.path()));
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
    }

    void quickDirectoryStore()
    {
        Browser b;
        auto& [f, form, in] = b;
        QTemporaryDir a;
        in.setQuickDir(9, QStringLiteral("/kept/9"));
        form.File1->setPath(a.path());
        // Cancel, and Enter (Cancel is the default button), keep the folder.
        f.ui().answerMsgBox(platform::vbCancel);
        emit form.Command5->MouseDown(2, 0, 3, 3);
        const platform::UiCall* asked = f.ui().last();
        QVERIFY(asked);
        QCOMPARE(asked->text, QStringLiteral("Save this Directory to Dir 7?"));
        QCOMPARE(asked->title, QDir::cleanPath(a.path()));
        QCOMPARE(platform::msgBoxDefaultButton(asked->style), 2);
        QCOMPARE(in.quickDir(9), QStringLiteral("/kept/9"));
        emit form.Command5->MouseDown(1, 0, 3, 3); // the left button asks nothing
        QCOMPARE(f.ui().calls(platform::UiCall::MsgBox).size(), 1);
        f.ui().answerMsgBox(platform::vbOK);
        emit form.Command5->MouseDown(2, 0, 3, 3);
        QCOMPARE(in.quickDir(9), QDir::cleanPath(a.path()));
        QCOMPARE(in.currentQuickDir().toInt(), 0); // the press neither moves nor marks

        // Folders are elements 1 to 14 and pages 1 to 8: another element stores nothing
        // and reads as empty; the last of each keeps its value.
        in.setQuickDir(14, QStringLiteral("/last"));
        in.setQuickDirPage(8, 6);
        for (int outside : {-1, 0, 15}) {
            in.setQuickDir(outside, QStringLiteral("/outside"));
            QCOMPARE(in.quickDir(outside), QString());
        }
        for (int outside : {-1, 0, 9}) {
            in.setQuickDirPage(outside, 3);
            QVERIFY(!in.quickDirPage(outside).isValid());
        }
        QCOMPARE(in.quickDir(14), QStringLiteral("/last"));
        QCOMPARE(in.quickDirPage(8).toInt(), 6);
    }

    void firstOpening()
    {
        Browser b;
        auto& [f, form, in] = b;
        QTemporaryDir dir;
        writeColours(dir.path(), 10);
        in.setQuickDir(3, dir.path());
        in.setQuickDirPage(3, 5);
        in.setCurrentQuickDir(3);
        form.shell().setBrowserPanelPlace(QPoint(120, 30));
        form.Command35->click(); // the large header boxes are shown
        // The opening, with its page, and a mode click let no other event in half way.
        bool ran = false;
        QMetaObject::invokeMethod(&form, [&] { ran = true; }, Qt::QueuedConnection);
        form.Command20->click();
        in.fitLabelClick(71);
        QVERIFY(!ran);
        QCoreApplication::processEvents();
        QVERIFY(ran);
        QCOMPARE(form.Command20->text(), QStringLiteral("Exit Pic"));
        QVERIFY(form.Frame2->isVisibleTo(&form));
        QCOMPARE(form.Frame2->pos(), QPoint(120, 30)); // where the panel was last left
        QVERIFY(!form.Frame7->isVisibleTo(&form));
        QCOMPARE(form.Command16->text(), QStringLiteral("Dir3"));
        QCOMPARE(shown(form), QList<int>({5, 6, 7, 8}));

        // Closing, then a second opening: the browser stays where the operator left it.
        form.Command34->click();
        QVERIFY(!form.Frame2->isVisibleTo(&form));
        in.Label13_Click();
        form.Command20->click();
        QCOMPARE(shown(form), QList<int>({9, -1, -1, -1}));
        // The message pane closes when the browser opens, and the browser when the pane does.
        form.Command8->click();
        QCOMPARE(form.Command20->text(), QStringLiteral("Load Pic"));
        form.Command20->click();
        QCOMPARE(form.Command8->text(), QStringLiteral("Load Msg"));
        // While the adjustments panel is open the button does nothing.
        form.Frame9->show();
        form.Command20->click();
        QCOMPARE(form.Command20->text(), QStringLiteral("Exit Pic"));
    }

    void dropsOnTheLists()
    {
        Browser b;
        auto& [f, form, in] = b;
        auto& canvas = form.canvas();
        DragManager& drags = DragManager::instance();
        QTemporaryDir dir;
        writeColours(dir.path(), 2);
        form.File1->setPath(dir.path());
        form.Picture1->setPicture(solid(640, 512, 0xFF0000FF));
        const QPixmap carry = DragManager::dragIcon(form.Picture1);
        const auto dragOver = [&](QWidget* source, int code, QWidget* target) { testsupport::drag(source, code, target, form, false); };

        // The TX picture dropped on the file list is saved in the browser's folder.
        dragOver(form.Picture1, canvas::dragTxPicture, form.File1);
        QVERIFY(DragManager::dragIcon(form.Picture1).toImage() != carry.toImage()); // drop cursor
        const QString saved = dir.filePath(QStringLiteral("tx.png"));
        f.ui().answerSave(saved);
        drags.release();
        QVERIFY(!f.ui().calls(platform::UiCall::SaveFile).isEmpty());
        QCOMPARE(f.ui().calls(platform::UiCall::SaveFile).last().file.initDir, QDir::cleanPath(dir.path()));
        QCOMPARE(QImage(saved).pixel(10, 10), 0xFF0000FFu);
        QCOMPARE(form.File1->ListCount(), 3); // listed at once

        // The mug shot dropped saves the mug shot, not the TX picture.
        form.Image7->setPicture(solid(40, 50, 0xFFFFFF00));
        dragOver(form.Image7, canvas::dragMugShot, form.Dir1);
        f.ui().answerSave(dir.filePath(QStringLiteral("mug.bmp")));
        drags.release();
        QCOMPARE(QImage(dir.filePath(QStringLiteral("mug.bmp"))).pixel(1, 1), 0xFFFFFF00u);
        // The call sign is no picture; a browser thumbnail over Drive1 changes no cursor and
        // saves nothing.
        dragOver(form.Text3, canvas::dragCallSign, form.File1);
        drags.release();
        form.Image8->setPicture(solid(64, 48, 0xFF00FF00));
        form.Image8->setDragIcon(QPixmap());
        dragOver(form.Image8, 11, form.Drive1);
        QVERIFY(DragManager::dragIcon(form.Image8).isNull());
        drags.release();
        QCOMPARE(drops(f.ui()), 2);

        // With "Make Header large" ticked there is no feedback, but the drop saves.
        form.makeheader->setChecked(true);
        DragManager::setDragIcon(form.Picture1, carry);
        dragOver(form.Picture1, canvas::dragTxPicture, form.File1);
        QCOMPARE(DragManager::dragIcon(form.Picture1).toImage(), carry.toImage());
        f.ui().answerSave(dir.filePath(QStringLiteral("header.png")));
        drags.release();
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("header.png"))));

        // A browser folder that went away is said so.
        QTemporaryDir gone;
        form.File1->setPath(gone.path());
        QVERIFY(gone.remove());
        dragOver(form.Picture1, canvas::dragTxPicture, form.File1);
        f.ui().answerMsgBox(platform::vbOK);
        drags.release();
        QVERIFY(!f.ui().messages().isEmpty());
        QVERIFY(f.ui().messages().last().contains(QStringLiteral("is not there")));
        QCOMPARE(drops(f.ui()), 3);

        // A release over the list leaves the text position alone.
        canvas.setElementX(12);
        canvas.setElementY(34);
        emit form.File1->MouseUp(1, 0, 50, 60);
        QCOMPARE(QPointF(canvas.elementX(), canvas.elementY()), QPointF(12, 34));
    }

    void driveNotReady()
    {
        QTemporaryDir card, home;
        platform::setVolumeProvider([&] {
            return QList<platform::Volume>{{QStringLiteral("/"), QString(), true}, {card.path(), QStringLiteral("CARD"), false}};
        });
        Browser b;
        auto& [f, form, in] = b;
        form.Dir1->setPath(home.path());
        form.Drive1->setDrive(home.path());
        f.ui().answerMsgBox(platform::vbOK);
        emit form.Drive1->activated(form.Drive1->findData(QDir::cleanPath(card.path())));
        QCOMPARE(f.ui().messages(), QStringList({QStringLiteral("Drive not ready. Please insert disk in drive.")}));
        QVERIFY(f.ui().last());
        QCOMPARE(platform::msgBoxIcon(f.ui().last()->style), int(platform::vbExclamation));
        QCOMPARE(form.Drive1->Drive(), QStringLiteral("/"));
        QCOMPARE(form.Dir1->Path(), QDir::cleanPath(home.path()));
        QCOMPARE(form.File1->Path(), QDir::cleanPath(home.path()));
    }

    // A file deleted after the page loaded: the crop dialog gets the file the slot shows, not
    // the one now at its position.
    void thumbnailDroppedWithCrop()
    {
        Browser b;
        auto& [f, form, in] = b;
        auto& engine = form.engine();
        engine.setEngine(platform::Engine::load(QStringLiteral(REAL_ENGINE_PATH)));
        engine.setTxDib(engine.binding().mmsCreateDIB(800, 616));
        QTemporaryDir dir;
        writeColours(dir.path(), 6);
        form.File1->setPath(dir.path());
        form.File1->setListIndex(0);
        form.Command20->click();
        in.Label13_Click();
        emit form.Label17->Click();
        QCOMPARE(platform::backColor(form.Label17), Red);
        QFile::remove(dir.filePath(QStringLiteral("p0.png")));
        form.File1->Refresh();

        testsupport::drag(form.Image9, 12, form.Picture1, form);
        QVERIFY(f.ui().calls(platform::UiCall::OpenFile).isEmpty());
        QVERIFY(form.formCropLoaded());
        QCOMPARE(form.formCrop().Picture1->Picture().pixel(320, 256), kColours[1]);
        QCOMPARE(form.File1->FileName(), QStringLiteral("p1.png"));
        engine.binding().mmsDeleteDIB(engine.txDib());
    }

    // Stored under Dir 3 and paged; after a restart "Load Pic" shows the same page.
    void samePageAfterARestart()
    {
        QTemporaryDir dir;
        writeColours(dir.path(), 10);
        testsupport::ScriptedStart s;
        shell::FormMain& form = s.form();
        auto& f = s.f;
        form.Command20->click();
        form.Dir1->setPath(dir.path());
        f.ui().answerMsgBox(platform::vbOK);
        emit form.Command16->MouseDown(2, 0, 1, 1);
        form.Command16->click();
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
        form.intake().Label13_Click();
        form.intake().Label13_Click();
        QCOMPARE(form.intake().quickDirPage(3).toInt(), 8);
        form.intake().filterClick(20);
        form.intake().Label13_Click();

        s.restart();
        shell::FormMain& again = s.form();
        QCOMPARE(again.File1->Path(), QDir::cleanPath(dir.path()));
        QCOMPARE(again.File1->Pattern(), QStringLiteral("*.png"));
        QCOMPARE(shown(again), QList<int>({-1, -1, -1, -1})); // no thumbnails at start
        again.Command20->click();
        QCOMPARE(shown(again), QList<int>({4, 5, 6, 7}));
        again.close();
    }

    void cleanup()
    {
        platform::setVolumeProvider({});
        if (DragManager::instance().active())
            DragManager::instance().cancel();
    }
};

QTEST_MAIN(BrowserTest)
#include "BrowserTest.moc"
