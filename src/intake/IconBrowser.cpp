// The browser's icon view: "Icons" lists program and library files, and the four
// thumbnails show the icons the selected file holds, each enlarged to 512 x 512, four at a
// time with " >>>> Next 4" and "<<<< Prev  4".

#include "intake/Intake.h"

#include "interfaces/DragSource.h"
#include "interfaces/Form.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/services/IconResources.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"

#include <QPainter>

namespace intake {

namespace {

// Each icon is drawn 512 x 512 at (32, 7) of a surface with that margin on every side.
constexpr int IconSide = 512;
constexpr int IconLeft = 32;
constexpr int IconTop = 7;
const QColor kSurfaceColour(0xC0, 0xC0, 0xC0);

// One icon on a cleared surface of its own (the overlay work buffer keeps its picture),
// so no slot shows parts of the icon before it.
QImage iconThumbnail(const QImage& icon)
{
    QImage surface(IconLeft * 2 + IconSide, IconTop * 2 + IconSide, QImage::Format_RGB32);
    surface.fill(kSurfaceColour);
    if (!icon.isNull()) {
        QPainter p(&surface);
        // Enlarged pixel for pixel, as an icon is stretched.
        p.drawImage(QRect(IconLeft, IconTop, IconSide, IconSide),
                    icon.scaled(IconSide, IconSide, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    return surface;
}

} // namespace

void Intake::Label43_Click()
{
    interfaces::Form& form = form_;
    platform::StepRunner steps(QStringLiteral("Label43_Click"));
    steps.step(QStringLiteral("pattern"), [&] {
        form.File1->setPattern(QStringLiteral("*.exe;*.dll"));
        form.File1->Refresh();
    });
    steps.step(QStringLiteral("first file"),
               [&] { form.File1->setListIndex(form.File1->ListCount() > 0 ? 0 : -1); });
    resetFilterLabels();
    platform::setBackColor(form.Label43, kChosenColour);
    fileTypeFilter_ = 43;
    iconIndex_ = 0;
    clearBrowserSlots();
    Label13_Click();
}

void Intake::ShowNextIcons()
{
    interfaces::Form& form = form_;
    iconFile_ = form.File1->filePath();
    const platform::IconResources icons(iconFile_);
    iconCount_ = icons.count();
    form.Label39->setCaption(QString::number(iconCount_));
    platform::setBackColor(form.Label39, kChosenColour);
    // Past the last icon nothing changes on screen.
    if (iconIndex_ >= iconCount_) {
        iconIndex_ = iconCount_;
        return;
    }
    if (iconIndex_ < 0)
        iconIndex_ = 0;
    clearBrowserSlots();
    for (int k = 1; k <= 4; ++k) {
        // An icon's thumbnail has no file of its own to load, delete or crop.
        browserSlotPath_[k].clear();
        if (iconIndex_ >= iconCount_)
            continue;
        form.thumbnailFor(interfaces::browserSlotCode(k))->setPicture(iconThumbnail(icons.icon(iconIndex_)));
        ++iconIndex_;
    }
}

} // namespace intake
