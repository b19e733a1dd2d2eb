// The browser's thumbnails as drag sources and drop targets: the trash can, desktop drops, icons.
#include "BrowserPages.h"
#include "Drags.h"
#include "ProgramFiles.h"
#include "TestPictures.h"
#include "TrashHome.h"

#include "canvas/TxCanvas.h"
#include "intake/Intake.h"
#include "platform/drawing/Colors.h"
#include "platform/services/Picbuf.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragIcons.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"
#include "text/TextTools.h"

#include <QAction>
#include <QDir>
#include <QImageReader>
#include <QtTest>

#include <unistd.h>

using platform::DragManager;
using platform::UiCall;
using testsupport::drag;
using testsupport::FormFixture;
using testsupport::solid;
using namespace browsertest;

namespace {

QStringList files(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

// The browser with the trash in its data home; page() shows a folder of n pictures made there.
struct Slots {
    Browser b;
    testsupport::TrashHome trash{b.f.dataHome()};
    QString page(const QString& name, int n)
    {
        const QString folder = b.f.dataHome() + QLatin1Char('/') + name;
        writeColours(folder, n);
        b.page(folder);
        return folder;
    }
};

} // namespace

class BrowserSlotsTest : public QObject {
    Q_OBJECT
private slots:
    void trashDeletesTheFilesShown()
    {
        Slots s;
        auto& [f, form, in] = s.b;
        auto& trash = s.trash;
        const QString folder = s.page(QStringLiteral("pics"), 6);
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
        // A colour Pattern Fill picked stays picked: deleting uses no counter of the text's.
        form.text().markFillColourPicked();

        // Slot 2, then slot 3: after the first delete, position 2 names p3, not p2.
        drag(form.Image9, 12, form.Image16, form);
        drag(form.Image10, 13, form.Image16, form);
        QVERIFY(form.text().fillColourPicked());
        QCOMPARE(files(folder), QStringList({"p0.png", "p3.png", "p4.png", "p5.png"}));
        for (const char* name : {"p1.png", "p2.png"}) {
            QVERIFY(QFile::exists(trash.filesPath(QString::fromLatin1(name))));
            QVERIFY(QFile::exists(trash.infoPath(QString::fromLatin1(name))));
        }
        QCOMPARE(shown(form), QList<int>({0, -1, -1, 3}));
        QCOMPARE(form.File1->ListIndex(), -1); // position 1 was deleted: nothing highlighted

        // A save moves the positions too: the picture saved sorts first.
        form.Picture1->setPicture(solid(640, 512, kColours[9]));
        f.ui().answerSave(folder + QStringLiteral("/a.png"));
        drag(form.Picture1, canvas::dragTxPicture, form.Image8, form);
        QCOMPARE(form.File1->FileName(), QStringLiteral("a.png")); // nothing was selected: the first file is
        drag(form.Image11, 14, form.Image16, form);
        QCOMPARE(files(folder), QStringList({"a.png", "p0.png", "p4.png", "p5.png"}));
        QCOMPARE(form.File1->FileName(), QStringLiteral("p0.png")); // the one before position 2

        // Deleting from a list of two leaves one and nothing highlighted.
        const QString two = s.page(QStringLiteral("two"), 2);
        drag(form.Image9, 12, form.Image16, form);
        QCOMPARE(files(two), QStringList({"p0.png"}));
        QCOMPARE(form.File1->ListIndex(), -1);
        QVERIFY(f.ui().messages().isEmpty());
    }

    void trashRefusals()
    {
        Slots s;
        auto& [f, form, in] = s.b;
        const QString folder = s.page(QStringLiteral("pics"), 4);

        // The TX picture, a strip slot and a recent picture: the no-drop cursor, and nothing.
        form.Image2->setPicture(solid(10, 10, kColours[0]));
        form.Image12->setPicture(solid(10, 10, kColours[1]));
        const QPixmap carry = platform::dragIcon(platform::DragIcon::Carry);
        for (auto [source, code] : {std::pair<QWidget*, int>{form.Picture1, 8}, {form.Image2, 2}, {form.Image12, 15}}) {
            drag(source, code, form.Image16, form, false);
            QCOMPARE(DragManager::dragIcon(source).toImage(), carry.toImage());
            DragManager::instance().release();
        }
        QCOMPARE(files(folder).size(), 4);

        // A trash that cannot be made keeps the file and says so.
        QFile blocker(f.dataHome() + QStringLiteral("/Trash"));
        QVERIFY(testsupport::writeBytes(blocker.fileName(), {}));
        f.ui().answerMsgBox(platform::vbOK);
        drag(form.Image8, 11, form.Image16, form);
        QCOMPARE(f.ui().messages(), QStringList({"Cannot Delete this file!"}));
        QVERIFY(QFile::exists(folder + QStringLiteral("/p0.png")));
        QVERIFY(blocker.remove());
        // So does a folder the program may not change (root may change any).
        if (geteuid() != 0) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            in.Label13_Click();
            f.ui().answerMsgBox(platform::vbOK);
            drag(form.Image9, 12, form.Image16, form);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(f.ui().messages().size(), 2);
            QCOMPARE(files(folder).size(), 4);
        }

        // The icon view deletes no program file.
        QVERIFY(testsupport::writeBytes(folder + QStringLiteral("/tool.exe"), testsupport::programWithIcons({{{32, kColours[0]}}})));
        in.Label43_Click();
        f.ui().answerMsgBox(platform::vbOK);
        drag(form.Image8, 11, form.Image16, form);
        QVERIFY(!f.ui().messages().isEmpty());
        QCOMPARE(f.ui().messages().last(), QStringLiteral("Cannot delete icon from ") + folder + QStringLiteral("/tool.exe"));
        QVERIFY(QFile::exists(folder + QStringLiteral("/tool.exe")));
    }

    void desktopDropsSaved()
    {
        Browser b;
        auto& [f, form, in] = b;
        QTemporaryDir desktop, browser;
        const QString dropped = desktop.filePath(QStringLiteral("photo.png"));
        QVERIFY(solid(200, 100, kColours[2]).save(dropped));
        form.File1->setPath(browser.path());
        auto deskDrop = [&](QWidget* target) {
            if (auto* slot = qobject_cast<platform::ImageBox*>(target))
                emit slot->oleDragDrop({dropped}, 1, 0, 5, 5);
            else
                emit DragManager::instance().oleDragDrop(target, {dropped}, 1, 0, 5, 5);
        };

        // "JPG": the texts, "0Default", a JPEG written at quality 65.
        in.filterClick(18);
        f.ui().answerInput(QStringLiteral("0Default"));
        deskDrop(form.Image10);
        QVERIFY(!f.ui().calls(UiCall::InputBox).isEmpty());
        const UiCall asked = f.ui().calls(UiCall::InputBox).last();
        QCOMPARE(asked.text, QStringLiteral("Enter File Name\r\nClick Cancel to Abort\r\nPicture is saved as .jpg"));
        QCOMPARE(asked.title, QStringLiteral("Save .jpg File to ") + QDir::cleanPath(browser.path()));
        QCOMPARE(asked.defaultText, QStringLiteral("0Default"));
        const QString jpeg = browser.filePath(QStringLiteral("0Default.jpg"));
        QCOMPARE(testsupport::fileBytes(jpeg), testsupport::jpegAt(QImage(dropped), 65));
        QCOMPARE(form.canvas().dragSourceCode(), 0);
        // The folder's first page is shown again, the new file in it, and the list is
        // selected from its first file on: " >>>> Next 4" goes on from there.
        QCOMPARE(form.File1->ListIndex(), 0);
        QVERIFY(form.Image8->hasPicture());

        // "PNG" on a list, over a buffer whose last write was a JPEG: a PNG all the same.
        in.fileLoader().setImageFormat(platform::Picbuf::Jpeg);
        in.filterClick(20);
        f.ui().answerInput(QStringLiteral("0Default"));
        deskDrop(form.File1);
        QCOMPARE(QImageReader(browser.filePath(QStringLiteral("0Default.png"))).format(), QByteArray("png"));
        // "a.b.c" under "TIF": a.tif, a TIFF; " All Files" saves a bitmap.
        in.filterClick(22);
        f.ui().answerInput(QStringLiteral("a.b.c"));
        deskDrop(form.Dir1);
        QCOMPARE(QImageReader(browser.filePath(QStringLiteral("a.tif"))).format(), QByteArray("tiff"));
        in.filterClick(0);
        f.ui().answerInput(QStringLiteral("plain"));
        deskDrop(form.Image8);
        QCOMPARE(QImageReader(browser.filePath(QStringLiteral("plain.bmp"))).format(), QByteArray("bmp"));

        // An existing name: the question, No by default; No keeps the file as it was.
        in.filterClick(18);
        const QByteArray before = testsupport::fileBytes(jpeg);
        QVERIFY(solid(200, 100, kColours[0]).save(dropped));
        f.ui().answerInput(QStringLiteral("0Default"));
        f.ui().answerMsgBox(platform::vbNo);
        deskDrop(form.Image8);
        QVERIFY(!f.ui().calls(UiCall::MsgBox).isEmpty());
        const UiCall question = f.ui().calls(UiCall::MsgBox).last();
        QCOMPARE(question.text, QStringLiteral("A file named 0Default.jpg already exists. Replace it?"));
        QCOMPARE(platform::msgBoxButtons(question.style), int(platform::vbYesNo));
        QCOMPARE(platform::msgBoxDefaultButton(question.style), 2);
        QCOMPARE(testsupport::fileBytes(jpeg), before);

        // Names that are no file name here write nothing.
        const QStringList listed = files(browser.path());
        for (const char* name : {"../x", "a/b", ".x", "tab\there"}) {
            f.ui().answerInput(QString::fromLatin1(name));
            f.ui().answerMsgBox(platform::vbOK);
            deskDrop(form.Image8);
            QVERIFY(!f.ui().messages().isEmpty());
            QCOMPARE(f.ui().messages().last(), QStringLiteral("Not a valid file name."));
        }
        QCOMPARE(files(browser.path()), listed);
        QVERIFY(!QFile::exists(desktop.filePath(QStringLiteral("x.jpg"))));

        // A failing store says why; "GIF" asks nothing; a desktop file that is no picture saves nothing.
        QDir(browser.path()).mkdir(QStringLiteral("folder.jpg"));
        f.ui().answerInput(QStringLiteral("folder"));
        f.ui().answerMsgBox(platform::vbYes);
        f.ui().answerMsgBox(platform::vbOK);
        deskDrop(form.Image8);
        QVERIFY(QFileInfo(browser.filePath(QStringLiteral("folder.jpg"))).isDir());
        QVERIFY(!f.ui().messages().isEmpty());
        QVERIFY(!f.ui().messages().last().isEmpty());
        in.filterClick(16);
        f.ui().answerMsgBox(platform::vbOK);
        deskDrop(form.Image8);
        QVERIFY(!f.ui().messages().isEmpty());
        QCOMPARE(f.ui().messages().last(), QStringLiteral("GIF save not implemented. Use another format."));
        const QString text = desktop.filePath(QStringLiteral("notes.png"));
        QVERIFY(testsupport::writeBytes(text, "not a picture"));
        f.ui().answerMsgBox(platform::vbOK);
        emit form.Image9->oleDragDrop({text}, 1, 0, 5, 5);
        QVERIFY(!f.ui().messages().isEmpty());
        QVERIFY(f.ui().messages().last().startsWith(QStringLiteral("Cannot read picture file ") + text));
        QCOMPARE(f.ui().calls(UiCall::InputBox).size(), 10);
    }

    void thumbnailPressesAndDrops()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        auto& canvas = form.canvas();
        QTemporaryDir dir;
        form.File1->setPath(dir.path());
        for (int code = 11; code <= 14; ++code)
            form.thumbnailFor(code)->setPicture(solid(64, 48, kColours[code - 11]));

        // Slots 3 and 4 lie under the adjust panel; 1 and 2 still drag.
        form.Frame9->show();
        emit form.Image10->mouseDown(1, 0, 1, 1);
        QVERIFY(!DragManager::instance().active());
        QCOMPARE(canvas.dragSourceCode(), 0);
        canvas.setOverlayWidth(0);
        emit form.Image9->mouseDown(1, 0, 1, 1);
        QCOMPARE(DragManager::instance().source(), form.Image9);
        QCOMPARE(canvas.dragSourceCode(), 12);
        QCOMPARE(canvas.overlayWidth(), 240.0);
        // Slot 2 onto slot 3: nothing is saved.
        DragManager::instance().moveOver(form.Image10, 3, 3);
        DragManager::instance().release();
        form.Frame9->hide();

        // The right button shows the slot enlarged, with no drag; a click ends the view. (The
        // engine draws the picture into the view; intake_picture_tools looks at it.)
        emit form.Image11->mouseDown(2, 0, 1, 1);
        QVERIFY(!DragManager::instance().active());
        QVERIFY(form.Picture21->isVisibleTo(&form));
        emit form.Picture21->mouseDown(1, 0, 5, 5);
        QVERIFY(!form.Picture21->isVisibleTo(&form));

        // A recent picture is taken on the lists only: on a thumbnail the no-drop cursor, nothing saved.
        form.Image12->setPicture(solid(10, 10, kColours[5]));
        drag(form.Image12, 15, form.Image8, form, false);
        QCOMPARE(DragManager::dragIcon(form.Image12).toImage(), platform::dragIcon(platform::DragIcon::Carry).toImage());
        DragManager::instance().release();
        QVERIFY(f.ui().calls(UiCall::SaveFile).isEmpty());
    }

    void iconPages()
    {
        Browser b;
        auto& [f, form, in] = b;
        QTemporaryDir dir;
        auto write = [&](const QString& name, int groups) {
            QList<QList<testsupport::IconImage>> icons;
            for (int g = 0; g < groups; ++g)
                icons.append({{16, 0xFF000000}, {32, kColours[g]}});
            QVERIFY(testsupport::writeBytes(dir.filePath(name), testsupport::programWithIcons(icons)));
        };
        write(QStringLiteral("a-six.exe"), 6);
        write(QStringLiteral("b-ten.dll"), 10);
        QVERIFY(solid(64, 48, kColours[0]).save(dir.filePath(QStringLiteral("c.bmp"))));
        form.File1->setPath(dir.path());
        form.File1->setPattern(QStringLiteral("*.bmp"));
        form.File1->setListIndex(0);
        in.Label13_Click();

        // Six icons: 0-3 with the count, then 4 and 5, then nothing changes; Prev gives 0-3.
        in.Label43_Click();
        QCOMPARE(form.File1->Pattern(), QStringLiteral("*.exe;*.dll"));
        QCOMPARE(form.File1->FileName(), QStringLiteral("a-six.exe"));
        QCOMPARE(form.Label39->caption(), QStringLiteral("6"));
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));
        // Each icon 512 x 512 at (32, 7), on a surface of its own.
        QCOMPARE(form.Image8->Picture().pixel(31, 300) == kColours[0], false);
        QCOMPARE(form.Image8->Picture().pixel(32 + 511, 7 + 511), kColours[0]);
        QVERIFY(form.Picture3->Picture().isNull());
        in.Label13_Click();
        QCOMPARE(shown(form), QList<int>({4, 5, -1, -1}));
        in.Label13_Click();
        QCOMPARE(shown(form), QList<int>({4, 5, -1, -1}));
        in.Label27_Click();
        QCOMPARE(shown(form), QList<int>({0, 1, 2, 3}));

        // Ten icons: the third page, then Prev gives 2-5.
        emit form.File1->MouseDown(1, 0, 1, 1);
        form.File1->setListIndex(1);
        in.Label13_Click();
        in.Label13_Click();
        in.Label13_Click();
        QCOMPARE(shown(form), QList<int>({8, 9, -1, -1}));
        in.Label27_Click();
        QCOMPARE(shown(form), QList<int>({2, 3, 4, 5}));

        // A damaged file holds none: "0" and the slots as they were.
        QFile cut(dir.filePath(QStringLiteral("b-ten.dll")));
        QVERIFY(cut.resize(cut.size() / 2));
        in.rewindIcons();
        in.Label13_Click();
        QCOMPARE(form.Label39->caption(), QStringLiteral("0"));
        QCOMPARE(shown(form), QList<int>({2, 3, 4, 5}));

        // Back to a picture filter: the icon labels off, pictures again.
        in.filterClick(15);
        QCOMPARE(platform::backColor(form.Label43), 0xC0C0u);
        QCOMPARE(form.Label39->caption(), QStringLiteral("0"));
        QCOMPARE(shown(form), QList<int>({0, -1, -1, -1}));
    }

    void cleanup()
    {
        if (DragManager::instance().active())
            DragManager::instance().cancel();
    }
};

QTEST_MAIN(BrowserSlotsTest)
#include "BrowserSlotsTest.moc"
