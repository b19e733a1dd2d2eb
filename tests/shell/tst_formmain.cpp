// The main window's skeleton: its menu items and shortcuts, its screens, its timers, the
// other windows, and a layout that fits a 1280 x 800 screen without overlaps.

#include "FormFixture.h"
#include "TestPictures.h"

#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "platform/services/ScriptedUi.h"
#include "engine/FormRXfloat.h"
#include "intake/FormCrop.h"
#include "media/FrmMain.h"
#include "shell/Form2.h"
#include "shell/FormMain.h"
#include "shell/FormSetup.h"
#include "shell/Shell.h"
#include "canvas/TxCanvas.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QMouseEvent>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QDir>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTemporaryDir>
#include <QWindow>

using testsupport::FormFixture;

namespace {

// Every visible widget of the window that the operator reads or clicks.
QList<QWidget*> visibleControls(shell::FormMain& form)
{
    QList<QWidget*> out;
    for (QWidget* w : form.findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName().isEmpty())
            continue;
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w) ||
            w->inherits("platform::PictureBox") || qobject_cast<QComboBox*>(w) ||
            qobject_cast<platform::TextBox*>(w))
            out << w;
    }
    return out;
}

QRect inForm(shell::FormMain& form, QWidget* w)
{
    return QRect(w->mapTo(&form, QPoint(0, 0)), w->size());
}

// Each visible control lies inside the window and inside each of its parents, shows
// its caption whole, and no two of them overlap.
void checkLayout(shell::FormMain& form)
{
    const QList<QWidget*> controls = visibleControls(form);
    QVERIFY(controls.size() > 20);
    for (QWidget* w : controls) {
        const QString name = w->objectName();
        for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
            QVERIFY2(p->rect().contains(QRect(w->mapTo(p, QPoint(0, 0)), w->size())),
                     qPrintable(name + " sticks out of " + p->objectName()));
        QVERIFY2(form.rect().contains(inForm(form, w)), qPrintable(name + " is cut off"));
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w)) {
            QVERIFY2(w->width() >= w->sizeHint().width() && w->height() >= w->minimumSizeHint().height(),
                     qPrintable(name + " shows its caption cut short"));
        }
    }
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i];
            QWidget* b = controls[j];
            if (a->isAncestorOf(b) || b->isAncestorOf(a))
                continue;
            QVERIFY2(!inForm(form, a).intersects(inForm(form, b)),
                     qPrintable(a->objectName() + " overlaps " + b->objectName()));
        }
}

} // namespace

namespace {

QRgb centre(const QImage& picture)
{
    return picture.pixel(picture.width() / 2, picture.height() / 2);
}

} // namespace

class FormMainTest : public QObject {
    Q_OBJECT
private slots:
    void shellMenuItems()
    {
        // Exit runs the shut-down, whose wait passes on this clock.
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        f.form().show();

        // About: one message box, OK only, no icon, the fixed title before the version.
        f.ui().answerMsgBox(platform::vbOK);
        f.form().about->trigger();
        QCOMPARE(f.ui().calls().size(), 1);
        const platform::UiCall& box = f.ui().calls().first();
        QCOMPARE(box.kind, platform::UiCall::MsgBox);
        QCOMPARE(box.style, int(platform::vbOKOnly));
        QVERIFY(box.title.startsWith(QStringLiteral("TOVARO+    17/NOV/2002   Vareror Engine Version:  ")));
        // The credits and the sign-off, split by a lone carriage return.
        QCOMPARE(box.text.count(QLatin1Char('\r')), 1);
        QVERIFY(!box.text.contains(QLatin1Char('\n')));
        QVERIFY(!f.ui().hasUnexpected());

        // Setup brings the setup dialog up, modeless: the main window stays usable.
        f.form().copypaste->trigger();
        QVERIFY(f.form().formSetup().isVisible());
        QVERIFY(!f.form().formSetup().isModal());
        QVERIFY(f.form().isVisible());

        // Exit closes the main window, through the shut-down (which writes its files into
        // the folders a start would have made).
        QVERIFY(QDir().mkpath(f.appPath(QStringLiteral("Favorites"))));
        QSignalSpy ended(&f.form(), &shell::FormMain::ended);
        f.form().exits->trigger();
        QVERIFY(!f.form().isVisible());
        QCOMPARE(ended.size(), 1);
    }

    void shortcuts_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QStringList>("routines");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("F5") << int(Qt::Key_F5) << 0 << QStringList{"Command3_Click"};
        QTest::newRow("Ctrl+F5") << int(Qt::Key_F5) << ctrl << QStringList{"Command3_Click"};
        QTest::newRow("Alt+F6") << int(Qt::Key_F6) << int(Qt::AltModifier) << QStringList{"Command7_Click"};
        QTest::newRow("F6") << int(Qt::Key_F6) << 0 << QStringList{"Command7_Click"};
        QTest::newRow("F9") << int(Qt::Key_F9) << 0 << QStringList{"Command1_Click"};
        QTest::newRow("Ctrl+T") << int(Qt::Key_T) << ctrl << QStringList{"Option1_Click"};
        QTest::newRow("Ctrl+O") << int(Qt::Key_O) << ctrl << QStringList{"Option6_Click"};
        QTest::newRow("Ctrl+F") << int(Qt::Key_F) << ctrl << QStringList{"Label32_Click"};
        QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << QStringList{"Label38_Click"};
        QTest::newRow("Ctrl+P") << int(Qt::Key_P) << ctrl << QStringList{"Option7_Click"};
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << ctrl << QStringList{"Check19_Click"};
        QTest::newRow("F7 does nothing") << int(Qt::Key_F7) << 0 << QStringList{};
        QTest::newRow("T alone does nothing") << int(Qt::Key_T) << 0 << QStringList{};
    }

    void shortcuts()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QStringList, routines);
        FormFixture f;
        f.form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.form()));
        QSignalSpy ran(&f.form().shell(), &shell::Shell::shortcutRan);
        QTest::keyClick(f.form().windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QStringList seen;
        for (const QList<QVariant>& args : ran)
            seen << args.at(0).toString();
        QCOMPARE(seen, routines);
    }

    void shortcutsLeaveKeysToTheFocusedControl()
    {
        FormFixture f;
        f.form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.form()));
        QSignalSpy ran(&f.form().shell(), &shell::Shell::shortcutRan);

        // Ctrl+C runs "Color Fill" and still copies the selection of the focused text box.
        platform::TextBox* text1 = f.form().Text1;
        text1->setText(QStringLiteral("CQ SSTV"));
        text1->setFocus();
        text1->selectAll();
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(f.form().windowHandle(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(ran.size(), 1);
        QCOMPARE(ran.at(0).at(0).toString(), QStringLiteral("Label38_Click"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("CQ SSTV"));

        // Typing into the call-sign box reaches the box (which keeps calls in capitals);
        // plain letters run no shortcut.
        f.form().Text3->setFocus();
        for (char c : std::string("dl1abc"))
            QTest::keyClick(f.form().windowHandle(), c);
        QCOMPARE(f.form().Text3->text(), QStringLiteral("DL1ABC"));
        QCOMPARE(ran.size(), 1);

        // Ctrl+X ticks "4 pics in 1", which runs its click once more: twice in all while the
        // box was unticked, once when it is already ticked.
        QSignalSpy check19(f.form().Check19, &platform::CheckBox::Click);
        QTest::keyClick(f.form().windowHandle(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(f.form().Check19->value(), 1);
        QCOMPARE(check19.size(), 1); // the direct run is the routine itself, not the box's event
        QTest::keyClick(f.form().windowHandle(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(check19.size(), 1);
    }

    // The tabs and the screens they hold, the spectrum displays the notch is placed on, and
    // the design states the handlers read back.
    void screensAndDesignStates()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        // The tabs, and which screen each one holds.
        QCOMPARE(form.SSTab1->count(), 3);
        const QStringList tabs = {"RX Full", "TX", "RX True"};
        const QList<QWidget*> screens = {form.Picture18, form.Picture1, form.Picture22};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(form.SSTab1->tabText(i), tabs[i]);
            QVERIFY(form.SSTab1->widget(i)->isAncestorOf(screens[i]));
        }
        QVERIFY(form.Picture16->width() >= 205); // the notch over x = 1 to 204 of both, equally wide
        QCOMPARE(form.Picture17->width(), form.Picture16->width());

        // Design states the handlers read back.
        for (auto* b : {form.Command3, form.Command1, form.Command7, form.Command48})
            QCOMPARE(platform::backColor(b), 0x8080u);
        QCOMPARE(platform::backColor(form.Label32), 0xC0C0u);
        QCOMPARE(platform::backColor(form.Label38), 0xC0C0u);
        QCOMPARE(form.Check25->value(), 1);
        for (auto* c : {form.Check1, form.Check4, form.Check7, form.Check8, form.Check11, form.Check12,
                        form.Check19})
            QCOMPARE(c->value(), 0);
        QVERIFY(form.Option1->value());
        QVERIFY(!form.Option6->value() && !form.Option7->value() && !form.Option8->value());
        // The text to place: olive (&HC0C0) on black, as the text box shows it.
        QCOMPARE(platform::backColor(form.Text1), 0u);
        QCOMPARE(platform::foreColor(form.Text1), 0xC0C0u);
        QCOMPARE(form.Text1->palette().color(QPalette::Base), QColor(0, 0, 0));
        QCOMPARE(form.Text1->palette().color(QPalette::Text), QColor(0xC0, 0xC0, 0));
    }

    void timers()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        // The engine timer ticks every 200 ms from the window's creation, shown or not;
        // Timer2 is off.
        QSignalSpy tick(f.form().Timer1, &platform::VbTimer::Timer);
        QSignalSpy tick2(f.form().Timer2, &platform::VbTimer::Timer);
        clock.advance(199);
        QCOMPARE(tick.size(), 0);
        clock.advance(1);
        QCOMPARE(tick.size(), 1);
        clock.advance(600);
        QCOMPARE(tick.size(), 4);
        QCOMPARE(tick2.size(), 0);
    }

    // Loading the other windows does not show them.
    void otherWindowsLoadHidden()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        for (QWidget* w : std::initializer_list<QWidget*>{&form.formSetup(), &form.formRXfloat(),
                                                         &form.formCrop(), &form.form2(), &form.frmMain()})
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }

    void layoutFits_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1280x800") << QSize(1280, 800);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
    }

    void layoutFits()
    {
        QFETCH(QSize, screen);
        FormFixture f;
        shell::FormMain& form = f.form();
        // The whole layout with the menu bar (the window itself scrolls what a smaller
        // screen cannot show).
        const QWidget* content = form.findChild<QWidget*>(QStringLiteral("centralArea"));
        const QSize needed = content->minimumSizeHint() + QSize(0, form.menuBar()->sizeHint().height());
        QVERIFY2(needed.width() <= 1280 && needed.height() <= 800,
                 qPrintable(QStringLiteral("needs %1 x %2").arg(needed.width()).arg(needed.height())));
        form.resize(screen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.size(), screen);
        for (int tab = 0; tab < form.SSTab1->count(); ++tab) {
            form.SSTab1->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            checkLayout(form);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("on tab %1").arg(form.SSTab1->tabText(tab))));
        }
        // The screens keep their size whatever the window's.
        QCOMPARE(form.Picture1->size(), QSize(640, 512));
        QCOMPARE(form.Picture18->size(), QSize(640, 512));
    }

    // "LOADING ... TOVARO" turns from upside down to level, a tenth of 180 degrees a frame,
    // never closer than 36 ms, and ends level in red.
    void splashTurnsTheTextLevelInEighteenFrames()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        shell::Form2& splash = f.form().form2();
        splash.Form_Load();
        QVERIFY(splash.isVisible());
        const auto& frames = splash.frames();
        QCOMPARE(frames.size(), 18);
        for (int n = 1; n <= 18; ++n) {
            QCOMPARE(frames[n - 1].escapement, 1800 - 100 * n);
            if (n > 1)
                QVERIFY2(frames[n - 1].time - frames[n - 2].time >= 36, qPrintable(QString::number(n)));
        }
        const QImage shown = splash.surface()->screenImage();
        int red = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                red += shown.pixel(x, y) == qRgb(255, 0, 0);
        QVERIFY2(red > 200, qPrintable(QString::number(red)));
    }

    void splashStopsWhenUnloaded()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        shell::Form2& splash = f.form().form2();
        clock.after(100, [&] { splash.close(); });
        splash.Form_Load();
        QCOMPARE(splash.frames().size(), 3); // at 0, 36 and 72 ms
        QVERIFY(!splash.isVisible());
    }

    // Help opens the program's own page beside the executable with the desktop's handler; a
    // missing page, or one nothing opens, is told. The page shipped names every menu item and
    // every box of the setup dialog.
    void helpOpensTheShippedPage()
    {
        FormFixture f;
        shell::Shell& shell = f.form().shell();
        QCOMPARE(shell.helpFolder(), QCoreApplication::applicationDirPath());
        QTemporaryDir elsewhere;
        shell.setHelpFolder(elsewhere.path());
        f.ui().answerMsgBox(platform::vbOK);
        f.form().helpp->trigger();
        QCOMPARE(f.ui().messages(), QStringList{shell::Shell::HelpMissing + elsewhere.filePath("sstv.html")});

        f.ui().clearCalls();
        shell.setHelpFolder(QFileInfo(TOVARO_HELP_PAGE).absolutePath());
        f.form().helpp->trigger();
        QCOMPARE(f.ui().calls().size(), 1);
        QCOMPARE(f.ui().calls()[0].kind, platform::UiCall::Document);
        QCOMPARE(f.ui().calls()[0].text, QString(TOVARO_HELP_PAGE));

        f.ui().clearCalls();
        f.ui().documentsOpen = false;
        f.ui().answerMsgBox(platform::vbOK);
        f.form().helpp->trigger();
        QCOMPARE(f.ui().messages(), QStringList{shell::Shell::HelpNotOpened + TOVARO_HELP_PAGE});

        QFile page(TOVARO_HELP_PAGE);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        for (QAction* top : f.form().menuBar()->actions())
            for (QAction* item : QList<QAction*>{top} + (top->menu() ? top->menu()->actions() : QList<QAction*>{}))
                QVERIFY2(html.contains(item->text().toHtmlEscaped()), qPrintable(item->text()));
        shell::FormSetup& setup = f.form().formSetup();
        for (QWidget* w : setup.findChildren<QWidget*>()) {
            QString caption;
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                caption = b->text();
            else if (auto* l = qobject_cast<platform::Label*>(w); l && l != setup.Label5 && l != setup.Label6)
                caption = l->caption().section(QStringLiteral("  "), 0, 0).trimmed();
            if (!caption.isEmpty() && w != setup.Check27)
                QVERIFY2(html.contains(caption.toHtmlEscaped()), qPrintable(caption));
        }
    }

    // The clean picture under a pending element (Image6) is kept in the overlay buffer and
    // comes back; the TX screen, the take-back copy and the fill backup hold the screen; open
    // header boxes are closed. A header being made leaves everything as it is.
    void checkscreensizeRenewsTheCopies()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        form.Picture1->setPicture(testsupport::solid(640, 512, qRgb(200, 0, 0)));
        form.Image6->setPicture(testsupport::solid(640, 512, qRgb(0, 0, 200)));
        form.Command35->click();
        QVERIFY(!form.Frame7->isHidden());
        QSignalSpy toolEnded(&form.canvas(), &canvas::TxCanvas::toolEnded);
        form.shell().checkscreensize();
        // Once here, once by the load button that closes the boxes (each click ends the tool).
        QCOMPARE(toolEnded.size(), 2);
        QCOMPARE(form.Command35->text(), QStringLiteral("load HDR lge"));
        QVERIFY(form.Frame7->isHidden());
        QCOMPARE(form.Picture3->Picture().size(), QSize(640, 512));
        QCOMPARE(centre(form.Picture3->Picture()), qRgb(0, 0, 200));
        QCOMPARE(centre(form.Image6->Picture()), qRgb(0, 0, 200));
        QCOMPARE(centre(form.Picture1->Picture()), qRgb(200, 0, 0));
        QCOMPARE(centre(form.Image13->Picture()), qRgb(200, 0, 0));
        QCOMPARE(centre(form.Image14->Picture()), qRgb(200, 0, 0));

        // While a header is being made: the tool ends, Text1 has the focus, nothing else moves.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Picture1->setPicture(testsupport::solid(640, 512, qRgb(0, 200, 0)));
        form.makeheader16->setChecked(true);
        form.Text3->setFocus();
        form.shell().checkscreensize();
        QCOMPARE(toolEnded.size(), 3);
        QVERIFY(form.Text1->hasFocus());
        QCOMPARE(centre(form.Image13->Picture()), qRgb(200, 0, 0));

    }

    // The panel's top-left corner follows the pointer while the left button is held; the right
    // button moves nothing; where it is let go "Load Pic" opens it next.
    void browserPanelFollowsTheLeftButton()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.shell().setBrowserPanelPlace(QPoint(100, 2));
        form.Command20->click();
        QGroupBox* panel = form.Frame2;
        QCOMPARE(panel->pos(), QPoint(100, 2));
        auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
            QMouseEvent e(type, at, panel->mapToGlobal(at), button, held, Qt::NoModifier);
            QApplication::sendEvent(panel, &e);
        };
        send(QEvent::MouseButtonPress, {4, 4}, Qt::RightButton, Qt::RightButton);
        send(QEvent::MouseMove, {40, 30}, Qt::NoButton, Qt::RightButton);
        send(QEvent::MouseButtonRelease, {40, 30}, Qt::RightButton, Qt::NoButton);
        QCOMPARE(panel->pos(), QPoint(100, 2));
        send(QEvent::MouseButtonPress, {4, 4}, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, {40, 30}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(panel->pos(), QPoint(140, 32));
        send(QEvent::MouseMove, {-20, 8}, Qt::NoButton, Qt::LeftButton | Qt::RightButton);
        QCOMPARE(panel->pos(), QPoint(140, 32));
        send(QEvent::MouseMove, {-20, 8}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(panel->pos(), QPoint(120, 40));
        send(QEvent::MouseButtonRelease, {-20, 8}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(form.shell().browserPanelPlace(), QPoint(120, 40));
        // Dragged far beyond the window, a corner of it stays inside to be taken up again.
        send(QEvent::MouseMove, {5000, 5000}, Qt::NoButton, Qt::LeftButton);
        QVERIFY(panel->parentWidget()->rect().intersects(panel->geometry()));
        form.Command20->click();
        form.Command20->click();
        QCOMPARE(panel->pos(), QPoint(120, 40));
    }

    // Any change of the tab, by the operator or by code, closes the zoom view and the
    // picture-adjust panel.
    void tabChangeClosesZoomAndAdjust()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        for (const int tab : {1, 2, 0}) {
            form.Picture21->show();
            form.Frame9->show();
            form.SSTab1->setCurrentIndex(tab);
            QVERIFY(form.Picture21->isHidden());
            QVERIFY(form.Frame9->isHidden());
        }
    }
};

QTEST_MAIN(FormMainTest)
#include "tst_formmain.moc"
