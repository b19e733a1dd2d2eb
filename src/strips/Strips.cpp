#include "strips/Strips.h"

#include "canvas/TxCanvas.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/PictureBox.h"
#include "strips/DragIcons.h"
#include "platform/widgets/ImageBox.h"
#include "shell/FormMain.h"

namespace strips {

Strips::Strips(shell::FormMain& form) : QObject(nullptr), form_(form) {}

// Favorites is the category shown until the strip's own controls exist: the page goes
// into the page box and is remembered; the slots come with the strip.
void Strips::HScroll2_Change()
{
    const int page = form_.HScroll2->value();
    form_.Image24->hide();
    form_.Text5->setText(QString::number(page));
    stripPages[1] = page;
}

void Strips::shiftRecentRow(const QImage& newest)
{
    form_.Image19->setPicture(form_.Image18->Picture());
    form_.Image18->setPicture(form_.Image17->Picture());
    form_.Image17->setPicture(form_.Image12->Picture());
    form_.Image12->setPicture(newest);
}

void Strips::stripToPageOne()
{
    form_.HScroll2->setValue(1);
}

void Strips::reloadStrip()
{
    form_.Text1->setFocus();
    form_.Image24->hide();
    HScroll2_Change();
}

void Strips::stripSlotMouseDown(int code, int button)
{
    if (platform::backColor(form_.Label38) == canvas::kPendingColor)
        form_.canvas().Label38_Click();
    slotMouseDown(code, button);
}

void Strips::recentSlotMouseDown(int code, int button) { slotMouseDown(code, button); }

// An empty slot, or any slot while the picture-adjust panel is open, refuses the press.
// The right button's enlarged view comes with the zoom view; the code is written for it
// all the same.
void Strips::slotMouseDown(int code, int button)
{
    platform::ImageBox* slot = form_.thumbnailFor(code);
    if (!slot || !slot->hasPicture() || !form_.Frame9->isHidden()) {
        form_.Text1->setFocus();
        return;
    }
    auto& canvas = form_.canvas();
    canvas.dragSource = code;
    if (button == 1) {
        canvas.overlayScale = 240;
        slot->setDragIcon(strips::dragIcon(DragIcon::Carry));
        slot->Drag(platform::vbBeginDrag);
    }
}

namespace {
// The control that carries the drag of a picture code: a thumbnail or the TX screen.
QWidget* pictureCarrier(const shell::FormMain& form, int code)
{
    if (code == canvas::dragTxPicture)
        return form.Picture1;
    return form.thumbnailFor(code);
}
} // namespace

void Strips::iconon()
{
    if (QWidget* carrier = pictureCarrier(form_, form_.canvas().dragSource))
        platform::DragManager::setDragIcon(carrier, dragIcon(DragIcon::Drop));
}

void Strips::iconoff()
{
    const int code = form_.canvas().dragSource;
    if (QWidget* carrier = pictureCarrier(form_, code))
        platform::DragManager::setDragIcon(carrier, dragIcon(DragIcon::Carry));
    else if (code == canvas::dragCallSign)
        platform::DragManager::setDragIcon(form_.Text3, dragIcon(DragIcon::Neutral));
    else if (code == canvas::dragFskIdText)
        platform::DragManager::setDragIcon(form_.Label56, dragIcon(DragIcon::Neutral));
}

} // namespace strips
