// The main window's controls of the thumbnail strip's pager (HScroll2 with Text5 over
// it) and choice: the four categories in Frame1 "Thumbnail Selection ^" and the strip's
// trash can beside them; and the strip's handlers: categories, pager, the slots as drop
// targets and the trash can.

#include "shell/FormMain.h"

#include "intake/Intake.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "strips/Strips.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QTextDocument>
#include <QTextOption>

namespace shell {

namespace {

constexpr int TrashSide = 32;
constexpr int PageBoxWidth = 40;

} // namespace

QWidget* FormMain::buildStripChoice(QWidget* parent)
{
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("stripChoice"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    Frame1 = new QGroupBox(QStringLiteral("Thumbnail Selection ^"), row);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    QFont small = Frame1->font();
    small.setPointSizeF(7.5);
    Frame1->setFont(small);
    auto* options = new QGridLayout(Frame1);
    // Close under its title, so that the recent row is no higher with it.
    options->setContentsMargins(4, 0, 4, 0);
    options->setHorizontalSpacing(6);
    options->setVerticalSpacing(0);
    Option9 = new platform::OptionButton(QStringLiteral("Option9"), QStringLiteral("Favorites"), Frame1);
    Option10 = new platform::OptionButton(QStringLiteral("Option10"), QStringLiteral("Camera"), Frame1);
    Option11 = new platform::OptionButton(QStringLiteral("Option11"), QStringLiteral("RX Pictures"), Frame1);
    Option12 = new platform::OptionButton(QStringLiteral("Option12"), QStringLiteral("TX Pictures"), Frame1);
    options->addWidget(Option9, 0, 0);
    options->addWidget(Option10, 0, 1);
    options->addWidget(Option11, 1, 0);
    options->addWidget(Option12, 1, 1);
    Option9->setChecked(true); // every run starts on the favourites
    layout->addWidget(Frame1);

    // The trash can keeps its place while it is off, so nothing beside it moves.
    auto* holder = new QWidget(row);
    holder->setObjectName(QStringLiteral("Image24Place"));
    holder->setFixedSize(TrashSide, TrashSide);
    Image24 = new platform::ImageBox(holder);
    Image24->setDesignName(QStringLiteral("Image24"));
    Image24->setStretch(true);
    Image24->setBoxSize(TrashSide, TrashSide);
    Image24->setToolTip(QStringLiteral("Drop a TX, RX or camera picture here to delete its file"));
    Image24->hide(); // off while the favourites are shown
    layout->addWidget(holder);
    layout->addStretch(1);
    return row;
}

// The strip's pager under its seven slots, as wide as they are: the page bar with the
// page number laid over its middle.
QWidget* FormMain::buildStripPager(QWidget* parent)
{
    auto* pager = new QWidget(parent);
    pager->setObjectName(QStringLiteral("stripPager"));
    auto* layout = new QGridLayout(pager);
    layout->setContentsMargins(0, 0, 0, 0);
    HScroll2 = new platform::ScrollBar(QStringLiteral("HScroll2"), Qt::Horizontal, pager);
    HScroll2->setRange(1, 5);
    HScroll2->setValue(1);
    Text5 = new platform::TextBox(QStringLiteral("Text5"), pager);
    // The number centred in a box no higher than the line it shows.
    QTextDocument* page = Text5->document();
    page->setDocumentMargin(1);
    QTextOption centred = page->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    page->setDefaultTextOption(centred);
    const int height = Text5->sizeHint().height();
    HScroll2->setFixedHeight(height);
    Text5->setFixedSize(PageBoxWidth, height);
    HScroll2->setToolTip(QStringLiteral("Strip page"));
    Text5->setToolTip(QStringLiteral("Strip page"));
    layout->addWidget(HScroll2, 0, 0);
    layout->addWidget(Text5, 0, 0, Qt::AlignCenter);
    return pager;
}

void FormMain::connectStripHandlers()
{
    auto* s = strips_.get();
    connect(Option9, &platform::OptionButton::Click, s, [s] { s->Option9_Click(); });
    connect(Option10, &platform::OptionButton::Click, s, [s] { s->Option10_Click(); });
    connect(Option11, &platform::OptionButton::Click, s, [s] { s->Option11_Click(); });
    connect(Option12, &platform::OptionButton::Click, s, [s] { s->Option12_Click(); });
    connect(HScroll2, &platform::ScrollBar::GotFocus, s, [s] { s->HScroll2_GotFocus(); });
    connect(Text5, &platform::TextBox::DblClick, s, [s] { s->stripToPageOne(); });

    for (int k = 1; k <= 7; ++k) {
        const int code = strips::stripSlotCode(k);
        platform::ImageBox* slot = thumbnailFor(code);
        connect(slot, &platform::ImageBox::dragOver, s,
                [s, code](QWidget*, double, double, int state) { s->stripSlotDragOver(code, state); });
        connect(slot, &platform::ImageBox::dragDrop, s,
                [s, code](QWidget*, double, double) { s->stripSlotDragDrop(code); });
        connect(slot, &platform::ImageBox::oleDragDrop, s,
                [s, code](const QStringList& files, int, int, double, double) { s->stripSlotOLEDragDrop(code, files); });
    }
    connect(Image24, &platform::ImageBox::dragOver, s,
            [s](QWidget*, double, double, int state) { s->Image24_DragOver(state); });
    connect(Image24, &platform::ImageBox::dragDrop, s, [s](QWidget*, double, double) { s->Image24_DragDrop(); });

    // The zoom view goes at a click or a drop.
    auto* in = intake_.get();
    connect(Picture21, &platform::PictureBox::mouseDown, in,
            [in](int b, int, double, double) { in->Picture21_MouseDown(b); });
    connect(Picture21, &platform::PictureBox::dragDrop, in, [in] { in->closeZoom(); });
    connect(Picture21, &platform::PictureBox::oleDragDrop, in, [in] { in->closeZoom(); });
}

} // namespace shell
