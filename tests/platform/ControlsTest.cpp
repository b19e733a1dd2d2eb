#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

using namespace platform;

// A control that paints its own background, as a picture box does.
class OwnBackground : public QWidget {
    Q_OBJECT
public:
    Q_INVOKABLE void vbSetBackColor(quint32 vb)
    {
        cleared = vb;
        setProperty(kBackColorProperty, vb);
    }
    quint32 cleared = 1;
};

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void backColorReadsBackExactly()
    {
        QWidget form;
        CommandButton tx(QStringLiteral("Command3"), QStringLiteral("TX"), &form);
        QCOMPARE(backColor(&tx), vbButtonFace); // never set

        for (uint32_t v : {255u, 200u, 0x8080u, 0xFF00u, 0xC0C0u, 0u, 0xFFFFFFu, 0x8000000Fu, 0x80000005u, 0x80000018u}) {
            setBackColor(&tx, v);
            QCOMPARE(backColor(&tx), v);
        }
        // What is shown follows the value; a system colour shows the palette's colour.
        setBackColor(&tx, 255);
        QCOMPARE(tx.palette().color(QPalette::Button), QColor(255, 0, 0));
        setBackColor(&tx, 0xC0C0);
        QCOMPARE(tx.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0));
        setBackColor(&tx, vbButtonFace);
        QCOMPARE(tx.palette().color(QPalette::Button), QApplication::palette().color(QPalette::Button));
        // Two controls keep their own values.
        Label lbl(QStringLiteral("Label32"), QStringLiteral("Pattern Fill"), &form);
        setBackColor(&lbl, 49344);
        QCOMPARE(backColor(&lbl), 49344u);
        QCOMPARE(backColor(&tx), vbButtonFace);
        OwnBackground own;
        setBackColor(&own, 0xFF00);
        QCOMPARE(own.cleared, 0xFF00u);
        QCOMPARE(backColor(&own), 0xFF00u);
        setForeColor(&lbl, 255);
        QCOMPARE(foreColor(&lbl), 255u);
        QCOMPARE(lbl.palette().color(QPalette::WindowText), QColor(255, 0, 0));
        // Stored values are BGR, as the colour dialogs give them.
        QCOMPARE(fromQColor(QColor(0x56, 0x34, 0x12)), 0x123456u);
    }

    void checkBoxValueRunsClick()
    {
        QWidget form;
        CheckBox chk(QStringLiteral("Check8"), QStringLiteral("A-Save"), &form);
        QList<int> seen; // the value each Click saw, in order
        connect(&chk, &CheckBox::Click, [&] { seen << chk.value(); });

        chk.setValue(1);
        QCOMPARE(seen, QList<int>({1})); // ran at once, with the new value
        chk.setValue(1);
        QCOMPARE(seen.size(), 1); // unchanged: no Click
        chk.setValue(2);
        QCOMPARE(chk.value(), 2);
        chk.setValue(0);
        QCOMPARE(seen, QList<int>({1, 2, 0}));

        form.show();
        QTest::mouseClick(&chk, Qt::LeftButton, {}, QPoint(5, chk.height() / 2));
        QCOMPARE(chk.value(), 1);
        chk.setValue(2);
        QTest::mouseClick(&chk, Qt::LeftButton, {}, QPoint(5, chk.height() / 2));
        QCOMPARE(chk.value(), 0); // the operator never reaches the grayed state
        QCOMPARE(seen, QList<int>({1, 2, 0, 1, 2, 0}));
    }

    void optionButtonClicksAgain()
    {
        QWidget form;
        OptionButton text(QStringLiteral("Option1"), QStringLiteral("Text"), &form);
        OptionButton overlays(QStringLiteral("Option6"), QStringLiteral("Overlays"), &form);
        text.move(0, 0);
        overlays.move(0, 40);
        QStringList clicks;
        connect(&text, &OptionButton::Click, [&] { clicks << QStringLiteral("text"); QVERIFY(text.value()); });
        connect(&overlays, &OptionButton::Click, [&] { clicks << QStringLiteral("overlays"); QVERIFY(!text.value()); });

        text.setValue(true);
        QCOMPARE(clicks, QStringList({QStringLiteral("text")}));
        overlays.setValue(true);
        QVERIFY(!text.value());
        QCOMPARE(clicks, QStringList({QStringLiteral("text"), QStringLiteral("overlays")}));
        overlays.setValue(true); // already set: nothing runs (a handler sets its own button)
        QCOMPARE(clicks.size(), 2);

        form.show();
        clicks.clear();
        const QPoint inside(5, overlays.height() / 2);
        QTest::mouseClick(&overlays, Qt::LeftButton, {}, inside); // already selected
        QCOMPARE(clicks, QStringList({QStringLiteral("overlays")}));
        QTest::mouseClick(&text, Qt::LeftButton, {}, inside);
        QCOMPARE(clicks, QStringList({QStringLiteral("overlays"), QStringLiteral("text")})); // once, not twice
        QTest::mouseClick(&text, Qt::LeftButton, {}, inside);
        QCOMPARE(clicks.size(), 3);

        clicks.clear();
        text.setValue(false); // clearing runs nothing and leaves none selected
        QVERIFY(!text.value());
        QVERIFY(!overlays.value());
        QVERIFY(clicks.isEmpty());
        overlays.setValue(true);
        QCOMPARE(clicks, QStringList({QStringLiteral("overlays")}));
    }

    void scrollBarChange()
    {
        ScrollBar hs(QStringLiteral("HScroll2"), Qt::Horizontal);
        hs.setRange(1, 5);
        int changes = 0, scrolls = 0, seenValue = 0;
        connect(&hs, &ScrollBar::Change, [&] { ++changes; seenValue = hs.value(); });
        connect(&hs, &ScrollBar::Scroll, [&] { ++scrolls; });
        hs.setValue(3);
        QCOMPARE(changes, 1);
        QCOMPARE(seenValue, 3);
        hs.setValue(3);
        QCOMPARE(changes, 1);
        hs.setValue(99); // clamped to the maximum
        QCOMPARE(hs.value(), 5);
        QCOMPARE(changes, 2);
        // Dragging the thumb scrolls; letting it go is one Change.
        hs.setSliderDown(true);
        hs.setSliderPosition(2);
        hs.setSliderPosition(1);
        QCOMPARE(changes, 2);
        QCOMPARE(scrolls, 2);
        hs.setSliderDown(false);
        QCOMPARE(changes, 3);
        QCOMPARE(seenValue, 1);
    }

    void textBoxChangeAndCrLf()
    {
        TextBox txt(QStringLiteral("Text2"), nullptr, true);
        QStringList seen;
        connect(&txt, &TextBox::Change, [&] { seen << txt.text(); });
        txt.setText(QStringLiteral("CQ CQ\r\nde W1AW"));
        QCOMPARE(seen, QStringList({QStringLiteral("CQ CQ\r\nde W1AW")}));
        txt.setText(QStringLiteral("CQ CQ\r\nde W1AW"));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(txt.text(), QStringLiteral("CQ CQ\r\nde W1AW"));

        // Positions count CR LF as two characters.
        txt.setSelStart(7);
        txt.setSelLength(2);
        QCOMPARE(txt.selStart(), 7);
        QCOMPARE(txt.selText(), QStringLiteral("de"));
        txt.setSelStart(3);
        txt.setSelLength(6);
        QCOMPARE(txt.selText(), QStringLiteral("CQ\r\nde"));
        QCOMPARE(txt.selLength(), 6);
        txt.setSelText(QStringLiteral("XX"));
        QCOMPARE(txt.text(), QStringLiteral("CQ XX W1AW"));
        QCOMPARE(seen.size(), 2);
        txt.setText(QString());
        QCOMPARE(seen.last(), QString());
    }

    void textBoxKeys()
    {
        QWidget form;
        TextBox call(QStringLiteral("Text3"), &form);
        form.show();
        call.setFocus();
        int changes = 0;
        connect(&call, &TextBox::Change, [&] { ++changes; });
        connect(&call, &TextBox::KeyPress, [&](int& ascii) {
            if (ascii >= 'a' && ascii <= 'z')
                ascii -= 32; // upper-case as typed
            if (ascii == '!')
                ascii = 0;   // swallowed
        });
        QTest::keyClicks(&call, QStringLiteral("w1!aw"));
        QCOMPARE(call.text(), QStringLiteral("W1AW"));
        QCOMPARE(changes, 4);
        QTest::keyClick(&call, Qt::Key_Return); // a single-line box takes no line break
        QCOMPARE(call.text(), QStringLiteral("W1AW"));
        QTest::keyClick(&call, Qt::Key_Backspace);
        QCOMPARE(call.text(), QStringLiteral("W1A"));
    }

    void listIndexRunsClick()
    {
        QWidget form;
        ListBox list(QStringLiteral("File2"), &form);
        for (const char* s : {"a.jpg", "b.jpg", "c.jpg"})
            list.addItem(QString::fromLatin1(s));
        QList<int> seen;
        connect(&list, &ListBox::Click, [&] { seen << list.listIndex(); });
        list.setListIndex(1);
        QCOMPARE(seen, QList<int>({1}));
        QCOMPARE(list.text(), QStringLiteral("b.jpg"));
        list.setListIndex(1); // set again from code: Click again
        QCOMPARE(seen, QList<int>({1, 1}));
        list.setListIndex(7); // out of range: nothing
        QCOMPARE(seen.size(), 2);
        form.show();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(2)).center());
        QCOMPARE(seen, QList<int>({1, 1, 2}));
        list.setListIndex(-1);
        QCOMPARE(list.text(), QString());
    }

    void comboTextDoesNotRunClick()
    {
        QWidget form;
        ComboBox modes(QStringLiteral("Combo2"), &form);
        for (const char* s : {"Robot 36", "Martin 1", "Scottie 1"})
            modes.addItem(QString::fromLatin1(s));
        QCOMPARE(modes.listIndex(), -1); // filling the list selects nothing
        QCOMPARE(modes.text(), QString());
        ComboBox shapes(QStringLiteral("Combo1"), &form, true);
        shapes.addItem(QStringLiteral("Ellipse"));
        shapes.addItem(QStringLiteral("Box"));
        int modeClicks = 0, shapeClicks = 0, shapeChanges = 0;
        connect(&modes, &ComboBox::Click, [&] { ++modeClicks; });
        connect(&shapes, &ComboBox::Click, [&] { ++shapeClicks; });
        connect(&shapes, &ComboBox::Change, [&] { ++shapeChanges; });

        modes.setText(QStringLiteral("martin 1")); // list-only: selects the item, quietly
        QCOMPARE(modes.listIndex(), 1);
        QCOMPARE(modeClicks, 0);
        modes.setText(QStringLiteral("No such mode"));
        QCOMPARE(modes.listIndex(), 1);
        modes.setListIndex(2);
        QCOMPARE(modeClicks, 1);
        QCOMPARE(modes.text(), QStringLiteral("Scottie 1"));
        modes.setListIndex(2);
        QCOMPARE(modeClicks, 2);

        shapes.setText(QStringLiteral("Circle"));
        QCOMPARE(shapes.text(), QStringLiteral("Circle"));
        QCOMPARE(shapeClicks, 0);
        QCOMPARE(shapeChanges, 1);
        shapes.setListIndex(0);
        QCOMPARE(shapeClicks, 1);
        QCOMPARE(shapes.text(), QStringLiteral("Ellipse"));

        // The operator's pick runs Click.
        form.show();
        modes.setFocus();
        QTest::keyClick(&modes, Qt::Key_Up);
        QCOMPARE(modes.listIndex(), 1);
        QCOMPARE(modeClicks, 3);

        // Focus moves within the window reach the handlers; the list's own popup does not.
        QStringList focus;
        connect(&shapes, &ComboBox::GotFocus, [&] { focus << QStringLiteral("got"); });
        connect(&shapes, &ComboBox::LostFocus, [&] { focus << QStringLiteral("lost"); });
        QApplication::setActiveWindow(&form);
        shapes.setFocus(Qt::MouseFocusReason);
        for (QEvent::Type type : {QEvent::FocusOut, QEvent::FocusIn}) {
            QFocusEvent popup(type, Qt::PopupFocusReason);
            QApplication::sendEvent(&shapes, &popup);
        }
        shapes.showPopup(); // the list's view takes the focus from the box
        QVERIFY(QApplication::focusWidget() != &shapes);
        shapes.hidePopup();
        QCOMPARE(focus, QStringList({QStringLiteral("got")}));
        modes.setFocus(Qt::TabFocusReason);
        QCOMPARE(focus, QStringList({QStringLiteral("got"), QStringLiteral("lost")}));

        // A dialog over the window takes the box's focus for nothing; a control given the
        // focus while it is up takes it from the box when the window is active again, and a
        // box that gets the focus back keeps it.
        QWidget dialog;
        dialog.show();
        for (QWidget* elsewhere : {static_cast<QWidget*>(&shapes), static_cast<QWidget*>(&modes)}) {
            QApplication::setActiveWindow(&form);
            modes.setFocus(Qt::TabFocusReason);
            focus.clear();
            shapes.setFocus(Qt::MouseFocusReason);
            QApplication::setActiveWindow(&dialog);
            QCOMPARE(focus, QStringList({QStringLiteral("got")}));
            elsewhere->setFocus(Qt::OtherFocusReason);
            QApplication::setActiveWindow(&form);
            QCOMPARE(QApplication::focusWidget(), elsewhere);
            QCOMPARE(focus.size(), elsewhere == &shapes ? 1 : 2);
        }
        QCOMPARE(focus.last(), QStringLiteral("lost"));
    }

    void labelAndButtonMouseEvents()
    {
        QWidget form;
        Label lbl(QStringLiteral("Label36"), QStringLiteral("&Redraw && go"), &form);
        QCOMPARE(lbl.text(), QStringLiteral("Redraw & go"));
        QCOMPARE(lbl.caption(), QStringLiteral("&Redraw && go"));
        lbl.resize(100, 20);
        CommandButton btn(QStringLiteral("Command20"), QStringLiteral("Size"), &form);
        btn.move(0, 40);
        form.show();
        QStringList events;
        connect(&lbl, &Label::Click, [&] { events << QStringLiteral("Click"); });
        connect(&lbl, &Label::DblClick, [&] { events << QStringLiteral("DblClick"); });
        connect(&lbl, &Label::MouseDown, [&](int b, int s, double, double) { events << QStringLiteral("Down%1/%2").arg(b).arg(s); });
        QTest::mouseClick(&lbl, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 10));
        QTest::mouseClick(&lbl, Qt::RightButton, {}, QPoint(10, 10));
        QTest::mouseDClick(&lbl, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(events, QStringList({QStringLiteral("Down1/1"), QStringLiteral("Click"), QStringLiteral("Down2/0"),
                                      QStringLiteral("DblClick")}));

        QStringList b;
        connect(&btn, &CommandButton::Click, [&] { b << QStringLiteral("Click"); });
        connect(&btn, &CommandButton::MouseDown, [&](int code, int, double, double) { b << QStringLiteral("Down%1").arg(code); });
        connect(&btn, &CommandButton::MouseUp, [&](int code, int, double, double) { b << QStringLiteral("Up%1").arg(code); });
        QTest::mouseClick(&btn, Qt::RightButton);
        QTest::mouseClick(&btn, Qt::LeftButton);
        QCOMPARE(b, QStringList({QStringLiteral("Down2"), QStringLiteral("Up2"), QStringLiteral("Down1"),
                                 QStringLiteral("Up1"), QStringLiteral("Click")}));
    }
};

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
