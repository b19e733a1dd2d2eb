// The main window's picture browser: the "Load Pic" button and the fit-mode labels under
// the screens, the browser panel Frame2 with its lists, thumbnails, paging, filters and
// quick directories (placed at their design twips inside the panel), the hidden second
// file list, and the buttons of the neighbouring panels that the browser closes.

#include "shell/FormMain.h"

#include "intake/Intake.h"
#include "interfaces/DragSource.h"
#include "interfaces/Facts.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Twips.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "qso/Qso.h"
#include "text/TextTools.h"

#include <QApplication>
#include <QGroupBox>
#include <QPainter>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace shell {

namespace {

using interfaces::kStateOn;
using interfaces::kStateOff;


// A control placed in the panel at its design place, given in twips.
void place(QWidget* w, double left, double top, double width, double height)
{
    w->setGeometry(platform::twipsToPixelsRounded(left), platform::twipsToPixelsRounded(top),
                   platform::twipsToPixelsRounded(width), platform::twipsToPixelsRounded(height));
}

// The browser's trash can: a grey bin with a lid, drawn as the panel's design picture.
QImage trashCanPicture()
{
    QImage picture(32, 32, QImage::Format_RGB32);
    picture.fill(QColor(0xC0, 0xC0, 0x00)); // the panel's colour
    QPainter p(&picture);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(8, 9, 16, 20);                 // the bin
    p.drawRect(5, 5, 22, 4);                  // the lid
    p.drawRect(13, 2, 6, 3);                  // the handle
    for (int x : {12, 16, 20})
        p.drawLine(x, 12, x, 26);             // the ribs
    return picture;
}

platform::Label* toolLabel(const QString& name, const QString& caption, QWidget* parent, quint32 colour)
{
    auto* label = new platform::Label(name, caption, parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    platform::setBackColor(label, colour);
    return label;
}

} // namespace

QWidget* FormMain::buildIntakeRow(QWidget* parent)
{
    auto* rowWidget = new QWidget(parent);
    rowWidget->setObjectName(QStringLiteral("intakeRow"));
    auto* row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    Command20 = new platform::CommandButton(QStringLiteral("Command20"), QStringLiteral("Load Pic"), rowWidget);
    platform::setBackColor(Command20, kStateOff);
    row->addWidget(Command20);
    // The message pane's button beside the browser's: the two panels never show together.
    Command8 = new platform::CommandButton(QStringLiteral("Command8"), QStringLiteral("Load Msg"), rowWidget);
    platform::setBackColor(Command8, kStateOff);
    row->addWidget(Command8);
    // The fit modes side by side; every run starts in Spread Fill.
    Label70 = toolLabel(QStringLiteral("Label70"), QStringLiteral("Correct"), rowWidget, kStateOff);
    Label71 = toolLabel(QStringLiteral("Label71"), QStringLiteral("Spread  Fill"), rowWidget, intake::kChosenColour);
    Label72 = toolLabel(QStringLiteral("Label72"), QStringLiteral("Stretch  Fill"), rowWidget, kStateOff);
    for (auto* l : {Label70, Label71, Label72}) {
        l->setWordWrap(false);
        l->setMargin(3);
        l->setMinimumWidth(100);
        row->addWidget(l);
    }
    row->addStretch(1);
    // The header boxes offered to be dragged onto the TX screen: "Exit" while they are.
    Command35 = new platform::CommandButton(QStringLiteral("Command35"), QStringLiteral("load HDR lge"), rowWidget);
    Command37 = new platform::CommandButton(QStringLiteral("Command37"), QStringLiteral("load HDR sml"), rowWidget);
    for (auto* b : {Command35, Command37}) {
        platform::setBackColor(b, kStateOff);
        row->addWidget(b);
    }
    return rowWidget;
}

void FormMain::buildBrowserPanel(QWidget* parent)
{
    Frame2 = new QGroupBox(QStringLiteral("Drag from here to Reposition"), parent);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    platform::setBackColor(Frame2, kStateOff);
    Frame2->setAutoFillBackground(true);
    place(Frame2, 5280, 0, 4170, 7425);
    QFont small = Frame2->font();
    small.setPointSizeF(7);
    Frame2->setFont(small);

    auto thumbnail = [this](const char* name, double left, double top) {
        auto* box = new platform::ImageBox(Frame2);
        box->setDesignName(QString::fromLatin1(name));
        box->setStretch(true);
        box->setBorderStyle(1);
        place(box, left, top, 2055, 1695);
        box->setFixedSize(box->size());
        return box;
    };
    Image8 = thumbnail("Image8", 60, 240);
    Image9 = thumbnail("Image9", 2080, 240);
    Image10 = thumbnail("Image10", 60, 1920);
    Image11 = thumbnail("Image11", 2080, 1920);

    Label27 = toolLabel(QStringLiteral("Label27"), QStringLiteral("<<<< Prev  4"), Frame2, kStateOff);
    Label13 = toolLabel(QStringLiteral("Label13"), QStringLiteral(" >>>> Next 4"), Frame2, kStateOff);
    place(Label27, 45, 3600, 465, 690);
    place(Label13, 510, 3600, 465, 690);
    Label17 = toolLabel(QStringLiteral("Label17"), QStringLiteral("With Crop"), Frame2, kStateOff); // off at every start
    place(Label17, 45, 4320, 930, 330);

    // Dir 1 carries "Dir*1" until the panel is first opened in a run.
    struct QuickDir { platform::CommandButton** button; const char* name; const char* caption; double left, top, height; };
    const QuickDir quick[] = {
        {&Command14, "Command14", "Dir*1", 50, 5760, 410},  {&Command15, "Command15", "Dir 2", 510, 5760, 410},
        {&Command16, "Command16", "Dir 3", 50, 6170, 410},  {&Command17, "Command17", "Dir 4", 510, 6170, 410},
        {&Command18, "Command18", "Dir 5", 50, 6577, 420},  {&Command19, "Command19", "Dir 6", 510, 6570, 420},
        {&Command5, "Command5", "Dir 7", 50, 6990, 420},    {&Command30, "Command30", "Dir 8", 510, 6990, 420},
    };
    for (const QuickDir& q : quick) {
        *q.button = new platform::CommandButton(QString::fromLatin1(q.name), QString::fromLatin1(q.caption), Frame2);
        place(*q.button, q.left, q.top, 480, q.height);
    }

    Drive1 = new platform::DriveListBox(QStringLiteral("Drive1"), Frame2);
    place(Drive1, 980, 3600, 2640, 330);
    Dir1 = new platform::DirListBox(QStringLiteral("Dir1"), Frame2);
    place(Dir1, 980, 3960, 2640, 1050);
    File1 = new platform::FileListBox(QStringLiteral("File1"), Frame2);
    File1->setPattern(QStringLiteral("*.bmp;*.jpg;*.gif;*.dib;*.pcx;*.png;*tga;*.tif;*.ico;*.rle;*.wmf;*.cur"));
    place(File1, 975, 5040, 2640, 2400);

    // The filters from the top, " All Files" below them.
    struct Filter { platform::Label** label; const char* name; const char* caption; };
    const Filter filters[] = {
        {&Label15, "Label15", "BMP"}, {&Label18, "Label18", "JPG"}, {&Label16, "Label16", "GIF"},
        {&Label21, "Label21", "TGA"}, {&Label19, "Label19", "PCX"}, {&Label20, "Label20", "PNG"},
        {&Label22, "Label22", "TIF"}, {&Label39, "Label39", "0"},   {&Label43, "Label43", "Icons"},
    };
    double top = 3600;
    for (const Filter& f : filters) {
        *f.label = toolLabel(QString::fromLatin1(f.name), QString::fromLatin1(f.caption), Frame2, kStateOff);
        place(*f.label, 3600, top, 540, 255);
        top += 240;
    }
    Label23 = toolLabel(QStringLiteral("Label23"), QStringLiteral(" All Files"), Frame2, kStateOff);
    place(Label23, 3600, 5880, 540, 495);

    // The trash can under "With Crop": a thumbnail dropped on it sends its file to the trash.
    Image16 = new platform::ImageBox(Frame2);
    Image16->setDesignName(QStringLiteral("Image16"));
    Image16->setStretch(true);
    place(Image16, 270, 4860, 480, 480);
    Image16->setFixedSize(Image16->size());
    Image16->setPicture(trashCanPicture());
    Image16->setToolTip(QStringLiteral("Drop a thumbnail here to delete its file"));

    Command34 = new platform::CommandButton(QStringLiteral("Command34"), QStringLiteral("Exit"), Frame2);
    platform::setBackColor(Command34, kStateOn);
    place(Command34, 3600, 7100, 540, 300);
    Frame2->hide();

    // Every file of a folder counts in the hidden list, whatever its name.
    File2 = new platform::FileListBox(QStringLiteral("File2"), parent);
    File2->setPattern(QStringLiteral("*"));
    File2->hide();
}

void FormMain::setMousePointer(int pointer)
{
    if (pointer == mousePointer_)
        return;
    if (mousePointer_ != 0)
        QApplication::restoreOverrideCursor();
    mousePointer_ = pointer;
    if (pointer != 0)
        QApplication::setOverrideCursor(pointer == 11 ? Qt::WaitCursor : Qt::ArrowCursor);
    emit MousePointerChanged(pointer);
}

void FormMain::connectBrowserHandlers()
{
    auto* in = intake_.get();
    connect(Command20, &platform::CommandButton::Click, in, [in] { in->Command20_Click(); });
    connect(Command34, &platform::CommandButton::Click, in, [in] { in->Command34_Click(); });
    connect(Label17, &platform::Label::Click, in, [in] { in->Label17_Click(); });
    connect(Label13, &platform::Label::Click, in, [in] { in->Label13_Click(); });
    connect(Label27, &platform::Label::Click, in, [in] { in->Label27_Click(); });
    connect(Label13, &platform::Label::MouseDown, in, [in](int b, int, double, double) { in->Label13_MouseDown(b); });
    connect(Label13, &platform::Label::MouseUp, in, [in](int b, int, double, double) { in->Label13_MouseUp(b); });
    connect(Label27, &platform::Label::MouseDown, in, [in](int b, int, double, double) { in->Label27_MouseDown(b); });
    connect(Label27, &platform::Label::MouseUp, in, [in](int b, int, double, double) { in->Label27_MouseUp(b); });
    for (int code : {0, 15, 16, 18, 19, 20, 21, 22})
        connect(filterLabel(code), &platform::Label::Click, in, [in, code] { in->filterClick(code); });
    connect(Label43, &platform::Label::Click, in, [in] { in->Label43_Click(); });
    for (int n : {70, 71, 72})
        connect(fitLabel(n), &platform::Label::Click, in, [in, n] { in->fitLabelClick(n); });
    for (int n = 1; n <= 8; ++n) {
        connect(quickDirButton(n), &platform::CommandButton::Click, in, [in, n] { in->quickDirClick(n); });
        connect(quickDirButton(n), &platform::CommandButton::MouseDown, in,
                [in, n](int b, int, double, double) { in->quickDirMouseDown(n, b); });
    }

    connect(Drive1, &platform::DriveListBox::Change, in, [in] { in->Drive1_Change(); });
    connect(Dir1, &platform::DirListBox::Change, in, [in] { in->Dir1_Change(); });
    connect(File1, &platform::FileListBox::MouseDown, in,
            [in](int b, int s, double x, double y) { in->File1_MouseDown(b, s, x, y); });
    connect(File1, &platform::FileListBox::MouseUp, in,
            [in](int b, int s, double x, double y) { in->File1_MouseUp(b, s, x, y); });
    connect(File1, &platform::FileListBox::GotFocus, in, [in] { in->File1_GotFocus(); });
    connect(File1, &platform::FileListBox::LostFocus, in, [in] { in->File1_LostFocus(); });

    // Drags inside the window onto the three lists.
    auto& drags = platform::DragManager::instance();
    auto isList = [this](QWidget* w) { return w == Dir1 || w == Drive1 || w == File1; };
    connect(&drags, &platform::DragManager::dragOver, in,
            [in, isList](QWidget* target, QWidget*, double, double, int state) {
                if (isList(target))
                    in->browserListDragOver(state);
            });
    connect(&drags, &platform::DragManager::dragDrop, in, [in, isList](QWidget* target, QWidget*, double, double) {
        if (isList(target))
            in->browserListDragDrop();
    });
    // Files dropped from the desktop on the lists.
    for (QWidget* list : std::initializer_list<QWidget*>{Dir1, Drive1, File1})
        drags.enableFileDrops(list);
    connect(&drags, &platform::DragManager::oleDragDrop, in,
            [in, isList](QWidget* target, const QStringList& files, int, int, double, double) {
                if (isList(target))
                    in->browserOLEDragDrop(files);
            });
    // The thumbnails and the trash can.
    for (int n = 1; n <= interfaces::kBrowserSlots; ++n) {
        const int code = interfaces::browserSlotCode(n);
        platform::ImageBox* slot = thumbnailFor(code);
        connect(slot, &platform::ImageBox::dragOver, in,
                [in, code](QWidget*, double, double, int state) { in->browserSlotDragOver(code, state); });
        connect(slot, &platform::ImageBox::dragDrop, in,
                [in, code](QWidget*, double, double) { in->browserSlotDragDrop(code); });
        connect(slot, &platform::ImageBox::oleDragDrop, in,
                [in](const QStringList& files, int, int, double, double) { in->browserOLEDragDrop(files); });
    }
    connect(Image16, &platform::ImageBox::dragOver, in,
            [in](QWidget*, double, double, int state) { in->Image16_DragOver(state); });
    connect(Image16, &platform::ImageBox::dragDrop, in, [in](QWidget*, double, double) { in->Image16_DragDrop(); });

    connect(Command8, &platform::CommandButton::Click, text_.get(), [this] { text_->Command8_Click(); });
    connect(Command35, &platform::CommandButton::Click, qso_.get(), [this] { qso_->Command35_Click(); });
    connect(Command37, &platform::CommandButton::Click, qso_.get(), [this] { qso_->Command37_Click(); });
}

} // namespace shell
