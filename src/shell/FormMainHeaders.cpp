// The main window's header boxes panel Frame7: the three large and six small header
// boxes (one set shown at a time, at the same place), "DONE" and the help of header
// making; and the handlers of the boxes.

#include "shell/FormMain.h"

#include "interfaces/Facts.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"

#include <QFrame>
#include <QGroupBox>

namespace shell {

namespace {

constexpr quint32 HelpBackColor = 0xC0FFFF;

// Places inside the panel, in its pixels (the design's twips / 15).
constexpr int LargeBoxTop[3] = {1, 72, 144};
constexpr int SmallBoxTop[6] = {1, 40, 80, 120, 160, 200};

} // namespace

void FormMain::buildHeaderPanel(QWidget* parent)
{
    Frame7 = new QGroupBox(parent);
    Frame7->setObjectName(QStringLiteral("Frame7"));
    Frame7->setAutoFillBackground(true); // drawn over the tab control
    platform::PictureBox** const boxes[] = {&Picture4, &Picture5, &Picture6, &Picture7, &Picture8,
                                            &Picture9, &Picture10, &Picture11, &Picture12};
    for (int n = 4; n <= 12; ++n) {
        const bool large = n <= 6;
        const int rows = large ? 64 : 32;
        // A box: its strip inside a two-pixel border.
        auto* border = new QFrame(Frame7);
        border->setObjectName(QStringLiteral("Picture%1Frame").arg(n));
        border->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        border->setLineWidth(2);
        border->setGeometry(0, large ? LargeBoxTop[n - 4] : SmallBoxTop[n - 7], int(interfaces::kTxWidth) + 4, rows + 4);
        auto* box = new platform::PictureBox(border);
        box->setDesignName(QStringLiteral("Picture%1").arg(n));
        box->setBoxSize(int(interfaces::kTxWidth), rows);
        box->setBackColor(platform::vbWhite);
        box->move(2, 2);
        *boxes[n - 4] = box;
    }
    Command36 = new platform::CommandButton(QStringLiteral("Command36"), QStringLiteral("DONE"), Frame7);
    QFont bold = Command36->font();
    bold.setBold(true);
    bold.setPointSize(12);
    Command36->setFont(bold);
    Command36->setGeometry(304, 288, 81, 20);
    Text12->setParent(Frame7);
    // Wide as designed, and high enough for the five lines in this font.
    Text12->setGeometry(168, 320, 324, 150);
    Text12->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    platform::setBackColor(Text12, HelpBackColor);
    Text12->show();
    Frame7->resize(int(interfaces::kTxWidth) + 4, int(interfaces::kTxHeight));
    Frame7->hide();
}

void FormMain::connectHeaderHandlers()
{
    auto* q = qso_.get();
    connect(Command36, &platform::CommandButton::Click, q, [q] { q->Command36_Click(); });
    for (int n = 4; n <= 12; ++n) {
        platform::PictureBox* box = headerBox(n);
        connect(box, &platform::PictureBox::mouseDown, q,
                [q, n](int b, int, double, double) { q->headerBoxMouseDown(n, b); });
        connect(box, &platform::PictureBox::dragOver, q,
                [q, n](QWidget*, double, double, int state) { q->headerBoxDragOver(n, state); });
        connect(box, &platform::PictureBox::dragDrop, q, [q, n](QWidget*, double, double) { q->headerBoxDragDrop(n); });
    }
}

} // namespace shell
