#include "intake/FormCrop.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/EngineRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/QsoRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Engine.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "platform/widgets/ScreenFit.h"

#include <QFrame>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace intake {

namespace {

// The chosen mode's button is red (on), the others show the button face.
using interfaces::kStateOn;
constexpr quint32 FaceColor = platform::vbButtonFace;
// The canvas is the TX picture's size.
constexpr int CanvasWidth = int(interfaces::kTxWidth);
constexpr int CanvasHeight = int(interfaces::kTxHeight);
constexpr int HeaderRows = 32;
constexpr int LeftButton = 1;
// The dialog's design size (9705 x 8580 twips).
constexpr QSize DesignSize(647, 572);
constexpr int SizeAllPointer = 5;

// A button at its design place (twips / 15) with its design caption; a caption that the
// design wraps onto two lines shows so, and keeps its exact text in the "caption" property.
platform::CommandButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top,
                                int width, const QString& shown = {})
{
    auto* b = new platform::CommandButton(QString::fromLatin1(name), caption, parent);
    b->setGeometry(left, top, width, 33);
    b->setProperty("caption", caption);
    if (!shown.isEmpty())
        b->setText(shown);
    return b;
}

} // namespace

FormCrop::FormCrop(interfaces::Form& form) : QWidget(&form.widget(), Qt::Window), form_(form)
{
    setObjectName(QStringLiteral("FormCrop"));
    setWindowTitle(QStringLiteral("Picture Crop.    Select \"Crop\" then drag and size crop rectangle."));
    // The controls at their design places on a page of the design size, which scrolls
    // where the screen is smaller.
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("cropPage"));
    page->setFixedSize(DesignSize);
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidget(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll_);
    resize(DesignSize);
    // The canvas: 640 x 512 inside a two-pixel border, at 30, 0 twips.
    auto* frame = new QFrame(page);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setGeometry(2, 0, CanvasWidth + 4, CanvasHeight + 4);
    Picture1 = new platform::PictureBox(frame);
    Picture1->setDesignName(QStringLiteral("Picture1"));
    Picture1->setBoxSize(CanvasWidth, CanvasHeight);
    Picture1->setBackColor(platform::vbBlack);
    Picture1->setForeColor(platform::vbRed);
    Picture1->setDrawWidth(5);
    Picture1->setAutoRedraw(true);
    Picture1->move(2, 2);

    Command1 = button(page, "Command1", QStringLiteral("         Crop         Full Size"), 8, 528, 89,
                      QStringLiteral("Crop\nFull Size"));
    Command7 = button(page, "Command7", QStringLiteral("No Change"), 120, 528, 89);
    Command2 = button(page, "Command2", QStringLiteral("            Crop             Space for Header"), 232, 528,
                      105, QStringLiteral("Crop\nSpace for Header"));
    Command3 = button(page, "Command3", QStringLiteral("+"), 368, 528, 41);
    Command4 = button(page, "Command4", QStringLiteral("-"), 416, 528, 41);
    Command6 = button(page, "Command6", QStringLiteral("Cancel"), 496, 528, 65);
    Command5 = button(page, "Command5", QStringLiteral("Send to TX"), 576, 528, 65);
    QFont sign(QStringLiteral("MS Sans Serif"));
    sign.setPointSize(24);
    Command3->setFont(sign);
    sign.setBold(true);
    Command4->setFont(sign);
    // The mode buttons show their back colour: No Change is chosen at every opening.
    platform::setBackColor(Command1, FaceColor);
    platform::setBackColor(Command2, FaceColor);
    platform::setBackColor(Command7, kStateOn);

    connect(Command1, &platform::CommandButton::Click, this, [this] { Command1_Click(); });
    connect(Command2, &platform::CommandButton::Click, this, [this] { Command2_Click(); });
    connect(Command7, &platform::CommandButton::Click, this, [this] { Command7_Click(); });
    connect(Command3, &platform::CommandButton::Click, this, [this] { Command3_Click(); });
    connect(Command4, &platform::CommandButton::Click, this, [this] { Command4_Click(); });
    connect(Command5, &platform::CommandButton::Click, this, [this] { Command5_Click(); });
    connect(Command6, &platform::CommandButton::Click, this, [this] { Command6_Click(); });
    connect(Picture1, &platform::PictureBox::mouseDown, this,
            [this](int b, int s, double x, double y) { Picture1_MouseDown(b, s, x, y); });
    connect(Picture1, &platform::PictureBox::mouseMove, this,
            [this](int b, int s, double x, double y) { Picture1_MouseMove(b, s, x, y); });
    connect(Picture1, &platform::PictureBox::mouseUp, this,
            [this](int b, int s, double x, double y) { Picture1_MouseUp(b, s, x, y); });

    Form_Load();
}

void FormCrop::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fitToScreen();
}

void FormCrop::showAt(QPoint place)
{
    move(place);
    show();
    fitToScreen();
}

void FormCrop::fitToScreen()
{
    platform::fitToScreen(*this, *scroll_, DesignSize, DesignSize);
}

void FormCrop::Form_Load()
{
    move(form_.widget().pos());
    cropWidth_ = 450;
    cropAnchorX_ = 315;
    cropAnchorY_ = 288;
}

bool FormCrop::fullSizeChosen() const { return interfaces::isOn(Command1); }
bool FormCrop::headerSpaceChosen() const { return interfaces::isOn(Command2); }
bool FormCrop::noChangeChosen() const { return interfaces::isOn(Command7); }

QRectF FormCrop::cropBox() const
{
    const double w = cropWidth_;
    const QPointF corner(cropAnchorX_ - w / 2, cropAnchorY_ - w / 2);
    if (fullSizeChosen())
        return QRectF(corner, QSizeF(w, w * 4 / 5));
    if (headerSpaceChosen())
        return QRectF(corner, QSizeF(w, w * 3 / 4));
    return {};
}

void FormCrop::drawCropBox()
{
    Picture1->Cls();
    const QRectF box = cropBox();
    if (!box.isEmpty())
        Picture1->Line(box.left(), box.top(), box.right(), box.bottom(), std::nullopt,
                       platform::PictureBox::LineKind::Box);
}

void FormCrop::Command1_Click()
{
    platform::setBackColor(Command2, FaceColor);
    platform::setBackColor(Command7, FaceColor);
    // The rectangle is drawn over the canvas's picture, never into it.
    Picture1->setAutoRedraw(false);
    platform::setBackColor(Command1, kStateOn);
    drawCropBox();
}

void FormCrop::Command2_Click()
{
    platform::setBackColor(Command1, FaceColor);
    platform::setBackColor(Command7, FaceColor);
    Picture1->setAutoRedraw(false);
    platform::setBackColor(Command2, kStateOn);
    drawCropBox();
}

void FormCrop::Command7_Click()
{
    Picture1->Cls();
    platform::setBackColor(Command1, FaceColor);
    platform::setBackColor(Command2, FaceColor);
    platform::setBackColor(Command7, kStateOn);
}

void FormCrop::Command3_Click()
{
    if (!fullSizeChosen() && !headerSpaceChosen())
        return;
    cropWidth_ = cropWidth_ * 20 / 19 + 8;
    drawCropBox();
}

// Shrinking stops at a width the rectangle still shows at, so it never turns over to the
// other side of its anchor.
void FormCrop::Command4_Click()
{
    if (!fullSizeChosen() && !headerSpaceChosen())
        return;
    cropWidth_ = std::max(MinimumCropWidth, cropWidth_ * 19 / 20 - 8);
    drawCropBox();
}

void FormCrop::Picture1_MouseDown(int button, int, double x, double y)
{
    if (noChangeChosen() || button != LeftButton)
        return;
    Picture1->setMousePointer(SizeAllPointer);
    cropAnchorX_ = x;
    cropAnchorY_ = y;
    drawCropBox();
}

void FormCrop::Picture1_MouseMove(int button, int, double x, double y)
{
    if (noChangeChosen() || button != LeftButton)
        return;
    cropAnchorX_ = x;
    cropAnchorY_ = y;
    drawCropBox();
}

void FormCrop::Picture1_MouseUp(int, int, double, double)
{
    Picture1->setMousePointer(0);
}

// The chosen part of the canvas becomes the whole TX screen (below a black header band in
// Space for Header), then the header and the engine's TX buffer follow. A rectangle reaching
// past the picture takes black there.
void FormCrop::Command5_Click()
{
    interfaces::Form& form = form_;
    auto& engine = form.engine();
    platform::StepRunner steps(QStringLiteral("FormCrop_Command5_Click"));
    const double w = cropWidth_;
    const double left = cropAnchorX_ - w / 2, top = cropAnchorY_ - w / 2;
    form.canvas().setDragSource(0);
    const auto nearest = [](double v) { return int32_t(platform::roundHalfEven(v)); };
    int32_t source[4] = {0, 0, int32_t(Picture1->ScaleWidth()), int32_t(Picture1->ScaleHeight())};
    const int32_t screen[4] = {0, headerSpaceChosen() ? HeaderRows : 0, CanvasWidth, CanvasHeight};
    if (fullSizeChosen() || headerSpaceChosen()) {
        const double height = fullSizeChosen() ? w * 4 / 5 : w * 3 / 4;
        const int32_t part[4] = {nearest(left), nearest(top), nearest(left + w), nearest(top + height)};
        std::copy(std::begin(part), std::end(part), source);
    }

    platform::PictureBox& tx = *form.Picture1;
    tx.setAutoRedraw(true);
    tx.Line(0, 0, CanvasWidth, CanvasHeight, platform::vbBlack, platform::PictureBox::LineKind::FilledBox);
    steps.step(QStringLiteral("draw"), [&] {
        engine.binding().drawPictureDc(*tx.hDC(), screen, Picture1->Picture(), source, 4);
    });
    form.canvas().commitTxScreen();
    form.canvas().keepScreenAsClean();
    steps.step(QStringLiteral("ShowHeaders"), [&] { form.qso().ShowHeaders(); });
    tx.setAutoRedraw(false);
    platform::doEvents();
    steps.step(QStringLiteral("TX DIB"), [&] { engine.copyTxScreenToDib(); });
    Picture1->setAutoRedraw(true);
    form.unloadFormCrop();
}

void FormCrop::Command6_Click()
{
    form_.canvas().setDragSource(0);
    platform::setBackColor(Command1, FaceColor);
    platform::setBackColor(Command2, FaceColor);
    platform::setBackColor(Command7, FaceColor);
    form_.unloadFormCrop();
}

} // namespace intake
