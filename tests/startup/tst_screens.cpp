// The window on the screens operators have: started on the screen the test platform is
// given (1024 x 768, 1366 x 768, 1280 x 800, 1280 x 800 at 120 dpi, and 1920 x 1080 at
// twice the scale, one run each),
// the window's frame stays inside the screen's available area and every control can be
// reached; the panels that open over the controls leave the window as it is and keep
// clear of what is used with them.
#include <QAction>
#include <QGroupBox>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "StartupFiles.h"
#include "intake/FormCrop.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

using testsupport::FormFixture;
using namespace startupfiles;

namespace {

QScrollArea* scrollArea(shell::FormMain& form)
{
    return form.findChild<QScrollArea*>(QStringLiteral("centralScroll"));
}

// Every control the operator reads or works, among those shown.
QList<QWidget*> shownControls(QWidget* content)
{
    QList<QWidget*> out;
    for (QWidget* w : content->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName().isEmpty())
            continue;
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w) || qobject_cast<QComboBox*>(w) ||
            qobject_cast<QScrollBar*>(w) || qobject_cast<platform::TextBox*>(w) ||
            w->inherits("platform::PictureBox") || w->inherits("platform::ImageBox"))
            out << w;
    }
    return out;
}

QRect inContent(QWidget* w, QWidget* content)
{
    return QRect(w->mapTo(content, QPoint(0, 0)), w->size());
}

bool inView(QScrollArea* scroll, QWidget* w)
{
    return scroll->viewport()->rect().contains(QRect(w->mapTo(scroll->viewport(), QPoint(0, 0)), w->size()));
}

// The runs at 120 dpi and at twice the scale set these, as an operator with larger fonts
// does.
bool scaledScreen() { return qEnvironmentVariableIsSet("QT_FONT_DPI") || qEnvironmentVariableIsSet("QT_SCALE_FACTOR"); }

// As much of the widget as the view can hold is in view, its top-left corner first.
bool inViewAsFarAsItFits(QScrollArea* scroll, QWidget* w)
{
    const QRect view = scroll->viewport()->rect();
    const QRect place(w->mapTo(scroll->viewport(), QPoint(0, 0)), w->size());
    return view.contains(place.topLeft()) && (view & place).size() == place.size().boundedTo(view.size());
}

// The start-up on this screen; a display at another scale than 96 dpi is warned about.
bool started(FormFixture& f, bool scaled)
{
    if (scaled)
        f.ui().answerMsgBox(platform::vbOK);
    return load(f) == shell::Shell::LoadResult::Running;
}

} // namespace

class TestScreens : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        scripted::reset();
        scripted::script().modeNames = {"Robot 36", "Martin 1"};
    }

    void windowFitsAndEveryControlIsReached()
    {
        const bool scaled = scaledScreen();
        FormFixture f;
        QVERIFY(started(f, scaled));
        shell::FormMain& form = f.form();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        const QList<platform::UiCall> boxes = f.ui().calls(platform::UiCall::MsgBox);
        QCOMPARE(boxes.size(), scaled ? 1 : 0);
        if (scaled)
            QCOMPARE(boxes.first().title, QStringLiteral("LARGE FONTS"));

        const QRect available = form.screen()->availableGeometry();
        QVERIFY(available.contains(form.frameGeometry()));
        QCOMPARE(form.frameGeometry().topLeft(), available.topLeft());

        // A screen with room for the whole layout shows it without scrolling.
        QScrollArea* scroll = scrollArea(form);
        QWidget* content = scroll->widget();
        const QSize frame = form.frameGeometry().size() - form.size();
        const QSize layout = content->minimumSizeHint() + QSize(0, form.menuBar()->height());
        if (available.width() - frame.width() >= layout.width() && available.height() - frame.height() >= layout.height()) {
            QVERIFY(!scroll->horizontalScrollBar()->isVisible());
            QVERIFY(!scroll->verticalScrollBar()->isVisible());
            QCOMPARE(form.size(), layout.expandedTo(QSize(1024, 748)));
        }

        // Each control can be scrolled into full view.
        const QList<QWidget*> controls = shownControls(content);
        QVERIFY(controls.size() > 80);
        for (QWidget* w : controls) {
            const QRect place = inContent(w, content);
            scroll->ensureVisible(place.center().x(), place.center().y(), place.width() / 2 + 1, place.height() / 2 + 1);
            QVERIFY2(inView(scroll, w), qPrintable(w->objectName() + " cannot be reached"));
        }

        // The strip's pager lies under its seven slots, as wide as they are, with the page
        // number over the bar's middle, and above the recent row.
        const QRect first = inContent(form.Image2->parentWidget(), content);
        const QRect last = inContent(form.Image23->parentWidget(), content);
        const QRect bar = inContent(form.HScroll2, content);
        const QRect page = inContent(form.Text5, content);
        QCOMPARE(bar.left(), first.left());
        QCOMPARE(bar.right(), last.right());
        QVERIFY(bar.top() > first.bottom() && bar.top() - first.bottom() <= 6);
        QVERIFY(inContent(form.Image12, content).top() > bar.bottom());
        QVERIFY(qAbs(page.center().x() - bar.center().x()) <= 1);
        QVERIFY(bar.contains(page.center()));
    }

    void panelsOpenWithoutMovingTheWindow()
    {
        FormFixture f;
        QVERIFY(started(f, scaledScreen()));
        shell::FormMain& form = f.form();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QScrollArea* scroll = scrollArea(form);
        QWidget* content = scroll->widget();
        const QSize window = form.size();
        const QSize layout = content->minimumSizeHint();

        // " QSL": the panel lies over the text tools, which it does not use, in view also
        // when the window was scrolled to its other end to reach " QSL"; Cancel closes it.
        scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        emit form.Label54->Click();
        QVERIFY(form.Frame5->isVisible());
        QVERIFY(inView(scroll, form.Frame5));
        QCOMPARE(form.size(), window);
        QCOMPARE(content->minimumSizeHint(), layout);
        const QRect qsl = inContent(form.Frame5, content);
        QVERIFY(content->rect().contains(qsl));
        for (QWidget* w : std::initializer_list<QWidget*>{form.SSTab1, form.Command20, form.Label70, form.Label71,
                                                          form.Label72, form.Command35, form.Command37})
            QVERIFY2(!qsl.intersects(inContent(w, content)), qPrintable(w->objectName() + " is covered"));
        form.Command33->click();
        QVERIFY(!form.Frame5->isVisible());
        QCOMPARE(form.size(), window);

        // The log view's listing takes the text box's room.
        emit form.Label48->Click();
        QCOMPARE(content->minimumSizeHint(), layout);
        emit form.Label48->Click();

        // "Load Pic": the browser opens in view, clear of the screens, the fit modes, the
        // waterfall, SET, OOPS!!, Undo, the adjust button, and the strip with its pager.
        scroll->horizontalScrollBar()->setValue(0);
        form.Command20->click();
        QVERIFY(form.Frame2->isVisible());
        QCOMPARE(form.size(), window);
        QVERIFY(inView(scroll, form.Frame2));
        const QRect browser = inContent(form.Frame2, content);
        QList<QWidget*> used = {form.SSTab1,    form.Command20, form.Label70,   form.Label71,   form.Label72,
                                form.Picture15, form.Picture16, form.Picture17, form.Command47, form.Command31,
                                form.Command12, form.Command13, form.HScroll2,  form.Text5};
        for (int code : {2, 3, 4, 5, 21, 22, 23})
            used << form.thumbnailFor(code);
        for (QWidget* w : used)
            QVERIFY2(!browser.intersects(inContent(w, content)), qPrintable(w->objectName() + " is covered"));

        // A thumbnail's zoom view opens in view too, wherever the browser left the window
        // scrolled; a click closes it.
        form.Image8->setPicture(QImage(64, 48, QImage::Format_RGB32));
        emit form.Image8->mouseDown(2, 0, 1, 1);
        QVERIFY(form.Picture21->isVisible());
        QVERIFY(inViewAsFarAsItFits(scroll, form.Picture21));
        QCOMPARE(form.size(), window);
        emit form.Picture21->mouseDown(1, 0, 5, 5);
        QVERIFY(!form.Picture21->isVisible());
    }

    // "Load Picture to TX": the crop dialog lies inside the screen, every button of it can
    // be reached, and "Send to TX" finishes the load (the dialog closes).
    void cropDialogFitsTheScreen()
    {
        FormFixture f;
        QVERIFY(started(f, scaledScreen()));
        shell::FormMain& form = f.form();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("load.png"));
        QImage picture(320, 256, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(file));
        f.ui().answerOpen(file);
        form.loadpic->trigger();
        intake::FormCrop& crop = form.formCrop();
        QVERIFY(crop.isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&crop));

        const QRect available = crop.screen()->availableGeometry();
        QVERIFY2(available.contains(crop.frameGeometry()),
                 qPrintable(QStringLiteral("%1 x %2 at %3, %4").arg(crop.frameGeometry().width())
                                .arg(crop.frameGeometry().height()).arg(crop.x()).arg(crop.y())));
        auto* scroll = crop.findChild<QScrollArea*>();
        QVERIFY(scroll);
        // A screen wide enough for the page gives it its whole width, a scroll bar beside it.
        if (available.width() >= scroll->widget()->width() + 2 * scroll->verticalScrollBar()->sizeHint().width())
            QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        for (QWidget* w : std::initializer_list<QWidget*>{crop.Command1, crop.Command7, crop.Command2, crop.Command3,
                                                         crop.Command4, crop.Command6, crop.Command5}) {
            const QRect place = inContent(w, scroll->widget());
            scroll->ensureVisible(place.center().x(), place.center().y(), place.width() / 2 + 1,
                                  place.height() / 2 + 1);
            QVERIFY2(inView(scroll, w), qPrintable(w->objectName() + " cannot be reached"));
        }
        crop.Command5->click();
        QVERIFY(!form.formCropLoaded());
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
