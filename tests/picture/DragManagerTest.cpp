// Drags between controls: the order of the events, the coordinates, the
// icon the pointer carries, right-button drags and files from the desktop.
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

using namespace platform;

namespace {

QPixmap icon(QColor c)
{
    QPixmap p(16, 16);
    p.fill(c);
    return p;
}

struct Form {
    QWidget window;
    ImageBox *a = new ImageBox(&window);
    ImageBox *b = new ImageBox(&window);
    PictureBox *c = new PictureBox(&window);
    QStringList log;

    Form()
    {
        window.resize(400, 200);
        a->setDesignName("Image2");
        b->setDesignName("Image3");
        c->setDesignName("Picture1");
        a->setBoxSize(50, 50);
        b->setBoxSize(50, 50);
        c->setBoxSize(100, 100);
        a->move(0, 0);
        b->move(100, 0);
        c->move(200, 0);
        c->setScaleWidth(10);
        c->setScaleHeight(10);
        for (auto *box : {a, b}) {
            const QString n = box->objectName();
            QObject::connect(box, &ImageBox::dragOver, box, [this, n](QWidget *s, double x, double y, int st) {
                log << QString("%1 over %2 %3,%4 from %5").arg(n).arg(st).arg(x).arg(y).arg(s->objectName());
            });
            QObject::connect(box, &ImageBox::dragDrop, box, [this, n](QWidget *s, double x, double y) {
                log << QString("%1 drop %2,%3 from %4").arg(n).arg(x).arg(y).arg(s->objectName());
            });
        }
        QObject::connect(c, &PictureBox::dragOver, c, [this](QWidget *s, double x, double y, int st) {
            log << QString("Picture1 over %1 %2,%3 from %4").arg(st).arg(x).arg(y).arg(s->objectName());
        });
        QObject::connect(c, &PictureBox::dragDrop, c, [this](QWidget *s, double x, double y) {
            log << QString("Picture1 drop %1,%2 from %3").arg(x).arg(y).arg(s->objectName());
        });
    }
};

}  // namespace

class DragManagerTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { DragManager::instance().cancel(); }

    void eventOrderAndCoordinates()
    {
        Form f;
        DragManager &m = DragManager::instance();
        QSignalSpy ended(&m, &DragManager::dragEnded);
        QSignalSpy generic(&m, &DragManager::dragDrop);
        f.a->Drag();
        QVERIFY(m.active());
        QCOMPARE(m.source(), f.a);
        m.moveOver(f.b, 5, 6);
        m.moveOver(f.b, 7, 8);
        m.moveOver(f.c, 55, 38);  // Picture1 has a scale of 10 x 10 over 100 x 100 pixels
        m.moveOver(f.c, 57, 39);
        m.release();
        QCOMPARE(f.log, (QStringList{
                            "Image3 over 0 5,6 from Image2",
                            "Image3 over 2 7,8 from Image2",
                            "Image3 over 1 155,38 from Image2",  // the leave in its own pixels
                            "Picture1 over 0 5,3 from Image2",
                            "Picture1 over 2 5,3 from Image2",
                            "Picture1 drop 5,3 from Image2",
                        }));
        QVERIFY(!m.active());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(generic.count(), 1);
        QCOMPARE(generic[0][0].value<QWidget *>(), f.c);

        // After the drag ends, moves and releases do nothing.
        f.log.clear();
        m.moveOver(f.b, 1, 1);
        m.release();
        QVERIFY(f.log.isEmpty());
    }

    void pointerCarriesTheCurrentDragIcon()
    {
        Form f;
        DragManager &m = DragManager::instance();
        const QPixmap carry = icon(Qt::red), dropIcon = icon(Qt::green);
        f.a->setDragIcon(carry);
        f.a->Drag();
        QCOMPARE(m.pointerIcon().toImage(), carry.toImage());
        // A target's drag-over handler changes the source's icon (drop accepted).
        connect(f.b, &ImageBox::dragOver, this, [&](QWidget *s, double, double, int st) {
            if (st == vbEnter)
                DragManager::setDragIcon(s, dropIcon);
            if (st == vbLeave)
                DragManager::setDragIcon(s, carry);
        });
        m.moveOver(f.b, 1, 1);
        QCOMPARE(m.pointerIcon().toImage(), dropIcon.toImage());
        m.moveOver(nullptr, 0, 0);
        QCOMPARE(m.pointerIcon().toImage(), carry.toImage());
        m.release();
        QVERIFY(!f.log.isEmpty());
        QVERIFY(f.log.last().startsWith("Image3 over 1"));  // no drop outside a control
    }

    void cancelSendsLeaveAndNoDrop()
    {
        Form f;
        DragManager &m = DragManager::instance();
        f.c->Drag();
        m.moveOver(f.a, 3, 4);
        f.c->Drag(vbDragCancel);
        QCOMPARE(f.log, (QStringList{"Image2 over 0 3,4 from Picture1", "Image2 over 1 3,4 from Picture1"}));
        QVERIFY(!m.active());
    }

    void rightButtonDragWithTheMouse()
    {
        Form f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QStringList sourceEvents;
        connect(f.c, &PictureBox::mouseDown, this, [&](int button, int, double, double) {
            sourceEvents << QString("down %1").arg(button);
            if (button == 2)
                f.c->Drag();
        });
        connect(f.c, &PictureBox::mouseUp, this, [&](int, int, double, double) { sourceEvents << "up"; });
        connect(f.c, &PictureBox::click, this, [&] { sourceEvents << "click"; });

        QTest::mousePress(f.c, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
        QVERIFY(DragManager::instance().active());
        QTest::mouseMove(f.b, QPoint(20, 30));
        QTest::mouseMove(f.b, QPoint(21, 31));
        QTest::mouseRelease(f.b, Qt::RightButton, Qt::NoModifier, QPoint(21, 31));
        QVERIFY(!DragManager::instance().active());
        QCOMPARE(sourceEvents, QStringList{"down 2"});  // the drag swallows the release
        QVERIFY(f.log.contains("Image3 over 0 20,30 from Picture1"));
        QCOMPARE(f.log.last(), QString("Image3 drop 21,31 from Picture1"));
    }

    void filesFromTheDesktop()
    {
        Form f;
        QSignalSpy spy(f.c, &PictureBox::oleDragDrop);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile("/tmp/a.jpg"), QUrl("https://example.org/x.png"),
                      QUrl::fromLocalFile("/tmp/b c.bmp")});
        QDragEnterEvent enter(QPoint(30, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(f.c, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(30, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(f.c, &drop);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toStringList(), (QStringList{"/tmp/a.jpg", "/tmp/b c.bmp"}));
        QCOMPARE(spy[0][1].toInt(), 1);
        QCOMPARE(spy[0][2].toInt(), 1);
        QCOMPARE(spy[0][3].toDouble(), 3.0);
        QCOMPARE(spy[0][4].toDouble(), 4.0);

        // Any other control through the manager.
        QWidget list;
        list.setObjectName("File1");
        DragManager::instance().enableFileDrops(&list);
        QSignalSpy generic(&DragManager::instance(), &DragManager::oleDragDrop);
        QDragEnterEvent enter2(QPoint(1, 2), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&list, &enter2);
        QVERIFY(enter2.isAccepted());
        QDropEvent drop2(QPointF(1, 2), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&list, &drop2);
        QCOMPARE(generic.count(), 1);
        QCOMPARE(generic[0][0].value<QWidget *>(), &list);
        QCOMPARE(generic[0][1].toStringList().size(), 2);
    }
};

QTEST_MAIN(DragManagerTest)
#include "DragManagerTest.moc"
