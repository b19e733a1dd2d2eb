// The main window's picture-adjust panel Frame9 (its buffers, filters, level slider,
// Restore, Accept and Cancel), the Paste, RX>TX and FTP buttons, and their handlers.

#include "shell/FormMain.h"

#include "intake/Intake.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPrinter>
#include <QVBoxLayout>

namespace shell {

// Under the screens: the four filters and Restore above the three quantities and the
// level slider, Accept and Cancel at the right. PicbufVisible, the shown result, is
// placed over the screen of its picture while the panel is open; the other two buffers
// stay hidden.
void FormMain::buildAdjustPanel()
{
    Frame9->setAutoFillBackground(true);
    auto* grid = new QGridLayout(Frame9);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    PicbufEdit->setParent(Frame9);
    PicbufEdit->hide();
    PicbufOriginal = new platform::Picbuf(Frame9);
    PicbufOriginal->setObjectName(QStringLiteral("PicbufOriginal"));
    PicbufOriginal->hide();

    auto button = [this](const char* name, const QString& caption) {
        return new platform::CommandButton(QString::fromLatin1(name), caption, Frame9);
    };
    Command39 = button("Command39", QStringLiteral("Sharpen"));
    Command41 = button("Command41", QStringLiteral("Soften"));
    Command42 = button("Command42", QStringLiteral("Grey"));
    Command43 = button("Command43", QStringLiteral("Neg"));
    Command40 = button("Command40", QStringLiteral("Restore Picture"));
    auto* filters = new QHBoxLayout;
    for (auto* b : {Command39, Command41, Command42, Command43, Command40})
        filters->addWidget(b);
    grid->addLayout(filters, 0, 0);

    auto* levels = new QHBoxLayout;
    const QString captions[3] = {QStringLiteral("Brightness"), QStringLiteral("Contrast"), QStringLiteral("Gamma")};
    for (int i = 0; i < 3; ++i) {
        optProcessor[i] = new platform::OptionButton(QStringLiteral("optProcessor(%1)").arg(i), captions[i], Frame9);
        levels->addWidget(optProcessor[i]);
    }
    optProcessor[0]->setChecked(true);
    HScroll6 = new platform::ScrollBar(QStringLiteral("HScroll6"), Qt::Horizontal, Frame9);
    HScroll6->setRange(0, 100);
    HScroll6->setValue(0);
    HScroll6->setSingleStep(1);
    HScroll6->setPageStep(10);
    HScroll6->setMinimumWidth(120);
    levels->addWidget(HScroll6, 1);
    grid->addLayout(levels, 1, 0);

    Command38 = button("Command38", QStringLiteral("Accept "));
    Command27 = button("Command27", QStringLiteral("Cancel"));
    grid->addWidget(Command38, 0, 1);
    grid->addWidget(Command27, 1, 1);
    Frame9->adjustSize();
}

// Paste, RX>TX and the FTP button in the free end of the tab strip above the screens:
// the row under the screens has no room left for them.
void FormMain::buildPictureToolButtons()
{
    auto* corner = new QWidget(SSTab1);
    corner->setObjectName(QStringLiteral("pictureTools"));
    auto* row = new QHBoxLayout(corner);
    row->setContentsMargins(0, 0, 0, 2);
    row->setSpacing(4);
    Command22 = new platform::CommandButton(QStringLiteral("Command22"), QStringLiteral("Paste"), corner);
    Command51 = new platform::CommandButton(QStringLiteral("Command51"), QStringLiteral("RX>TX"), corner);
    Command26 = new platform::CommandButton(QStringLiteral("Command26"), QStringLiteral("  T X      to   FTP"), corner);
    Command26->setToolTip(QStringLiteral("Left button: save the TX picture into the FTP folder. Right button: set the folder."));
    for (auto* b : {Command22, Command51, Command26})
        row->addWidget(b);
    SSTab1->setCornerWidget(corner, Qt::TopRightCorner);
}

void FormMain::connectPictureTools()
{
    auto* in = intake_.get();
    connect(Command22, &platform::CommandButton::Click, in, [in] { in->Command22_Click(); });
    connect(Command51, &platform::CommandButton::Click, in, [in] { in->Command51_Click(); });
    connect(Command26, &platform::CommandButton::MouseDown, in,
            [in](int b, int s, double x, double y) { in->Command26_MouseDown(b, s, x, y); });
    const std::pair<platform::CommandButton*, void (intake::Intake::*)()> clicks[] = {
        {Command39, &intake::Intake::Command39_Click}, {Command41, &intake::Intake::Command41_Click},
        {Command42, &intake::Intake::Command42_Click}, {Command43, &intake::Intake::Command43_Click},
        {Command40, &intake::Intake::Command40_Click}, {Command38, &intake::Intake::Command38_Click},
        {Command27, &intake::Intake::Command27_Click},
    };
    for (const auto& [b, handler] : clicks)
        connect(b, &platform::CommandButton::Click, in, [in, handler] { (in->*handler)(); });
    for (int i = 0; i < 3; ++i)
        connect(optProcessor[i], &platform::OptionButton::Click, in, [in, i] { in->optProcessor_Click(i); });
    connect(HScroll6, &platform::ScrollBar::Change, in, [in] { in->HScroll6_Change(); });
    connect(PicbufEdit, &platform::Picbuf::PictureChanged, in, [in] { in->PicbufEdit_PictureChanged(); },
            Qt::DirectConnection);
}

namespace {

constexpr double kTwipsPerInch = 1440;
// The page asked of the printer, the first side its width, and the picture's size on it.
constexpr double kPageWidth = 24688, kPageHeight = 17469;
constexpr double kPrintWidth = 11485, kPrintHeight = 9372;

} // namespace

void FormMain::printTxPicture()
{
    QPrinter printer(QPrinter::HighResolution);
    CommonDialog1->CancelError = true;
    try {
        CommonDialog1->ShowPrinter(printer);
    } catch (const std::exception&) {
        // A cancelled dialog ends quietly.
        Text1->setFocus();
        return;
    }
    // A printer that cannot take the page keeps the paper chosen in the dialog.
    printer.setPageSize(QPageSize(QSizeF(kPageWidth / kTwipsPerInch, kPageHeight / kTwipsPerInch), QPageSize::Inch,
                                  QString(), QPageSize::ExactMatch));
    printer.setPageOrientation(QPageLayout::Portrait);
    // Coordinates from the paper's own corner.
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&printer)) {
        Text1->setFocus();
        return;
    }
    // The same size on paper at any resolution.
    const double dpi = printer.resolution();
    const QRectF place(0, 0, kPrintWidth / kTwipsPerInch * dpi, kPrintHeight / kTwipsPerInch * dpi);
    try {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(place, Picture1->Image());
        painter.end();
    } catch (...) {
        // A begun document is never left open.
        printer.abort();
        painter.end();
    }
    Text1->setFocus();
}

} // namespace shell
