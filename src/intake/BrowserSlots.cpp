// The browser's four thumbnails Image8 to Image11 as drag sources and drop targets, the
// saving of dropped pictures and desktop files into the browser's folder, the browser's
// trash can Image16, and the zoom view a right press on a thumbnail opens.
//
// A thumbnail's file is known by the path its page recorded, never by a position in the
// file list: a delete or a save moves the list's positions, and the file that stood at a
// position before may not be the one that stands there now.

#include "intake/Intake.h"

#include "intake/PictureFiles.h"
#include "interfaces/CanvasRoom.h"
#include "interfaces/DragSource.h"
#include "interfaces/EngineRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/QsoRoom.h"
#include "interfaces/StripsRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Engine.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Trash.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragIcons.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QFileInfo>

namespace intake {

namespace {

constexpr int JpegQualityOfDrops = 65;

bool chosen(const QWidget* label)
{
    return platform::backColor(label) == kChosenColour;
}

// The extension a desktop drop is saved with: the filter shown, the last chosen label of
// the list winning. " All Files" (no label chosen) saves a bitmap, as the icon view does:
// a file without an extension would never be listed.
QString browserSaveExtension(const interfaces::Form& form)
{
    const std::pair<const platform::Label*, const char*> labels[] = {
        {form.Label15, ".bmp"}, {form.Label16, ".gif"}, {form.Label18, ".jpg"},
        {form.Label19, ".pcx"}, {form.Label20, ".png"}, {form.Label21, ".tga"},
        {form.Label22, ".tif"}, {form.Label39, ".bmp"}, {form.Label43, ".bmp"},
    };
    QString extension = QStringLiteral(".bmp");
    for (const auto& [label, ext] : labels)
        if (chosen(label))
            extension = QString::fromLatin1(ext);
    return extension;
}

// A name the operator typed, as a file name in the browser's folder: no folder part, no
// control characters, not empty.
bool validFileName(const QString& name)
{
    if (name.isEmpty() || name.contains(u'/'))
        return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

} // namespace

// ---------------------------------------------------------------- the thumbnails

void Intake::browserSlotMouseDown(int code, int button)
{
    interfaces::Form& form = form_;
    auto& canvas = form.canvas();
    if (interfaces::isOn(form.Label38))
        canvas.Label38_Click();
    platform::ImageBox* slot = form.thumbnailFor(code);
    // Slots 3 and 4 lie under the picture-adjust panel while it is open.
    const bool covered = interfaces::browserSlotOf(code) >= 3 && !form.Frame9->isHidden();
    if (!slot || !slot->hasPicture() || covered) {
        form.Text1->setFocus();
        return;
    }
    canvas.setDragSource(code);
    if (button == 2)
        ShowZoom();
    if (button == 1) {
        canvas.setOverlayWidth(240);
        slot->setDragIcon(platform::dragIcon(platform::DragIcon::Carry));
        slot->Drag(platform::vbBeginDrag);
    }
    if (interfaces::browserSlotOf(code) == 1)
        form.Text1->setFocus();
}

void Intake::browserSlotDragOver(int, int state)
{
    interfaces::Form& form = form_;
    const int code = form.canvas().dragSourceCode();
    if (interfaces::isBrowserSlot(code) || form.qso().makingHeader())
        return;
    if (state == platform::vbEnter) {
        // A recent picture is not saved here: its cursor says so.
        if (interfaces::isRecentPicture(code))
            form.strips().iconoff();
        else
            form.strips().iconon();
    } else if (state == platform::vbLeave) {
        form.strips().iconoff();
    }
}

void Intake::browserSlotDragDrop(int)
{
    dropToSave(false);
}

void Intake::browserOLEDragDrop(const QStringList& files)
{
    interfaces::Form& form = form_;
    if (files.isEmpty())
        return;
    const QString file = files.first();
    try {
        picbufFile_->setFilename(file);
        picbufFile_->load();
    } catch (const std::exception& e) {
        // Nothing is saved for a file that is no picture, not the picture read before.
        form.ui().msgBox(QStringLiteral("Cannot read picture file ") + file + QStringLiteral("\r\n")
                             + QString::fromStdString(e.what()),
                         platform::vbOKOnly + platform::vbExclamation);
        form.Text1->setFocus();
        return;
    }
    form.canvas().setDragSource(interfaces::dragNone);
    saveToBrowserDir();
}

void Intake::saveToBrowserDir()
{
    interfaces::Form& form = form_;
    platform::Ui& ui = form.ui();
    const QString extension = browserSaveExtension(form);
    picbufFile_->setWriteCompression(0);
    const QString folder = form.File1->Path();
    dialogFolder_ = folder;
    if (extension == QLatin1String(".gif")) {
        ui.msgBox(QStringLiteral("GIF save not implemented. Use another format."), platform::vbOKOnly);
        form.Text1->setFocus();
        return;
    }
    const std::optional<QString> answer =
        ui.inputBox(QStringLiteral("Enter File Name\r\nClick Cancel to Abort\r\nPicture is saved as ") + extension,
                    QStringLiteral("Save ") + extension + QStringLiteral(" File to ") + folder,
                    QStringLiteral("0Default"));
    if (!answer || answer->isEmpty()) {
        form.Text1->setFocus();
        return;
    }
    // The extension always comes from the filter: a typed one is cut off.
    const QString name = answer->section(u'.', 0, 0);
    if (!validFileName(name)) {
        ui.msgBox(QStringLiteral("Not a valid file name."), platform::vbOKOnly + platform::vbExclamation);
        form.Text1->setFocus();
        return;
    }
    const QString fileName = name + extension;
    const QString path = platform::joinPath(folder, fileName);
    // A file of that name is replaced only when the operator says so.
    if (QFileInfo::exists(path)
        && ui.msgBox(QStringLiteral("A file named ") + fileName + QStringLiteral(" already exists. Replace it?"),
                     platform::vbYesNo + platform::vbQuestion + platform::vbDefaultButton2)
               != platform::vbYes) {
        form.Text1->setFocus();
        return;
    }
    if (extension == QLatin1String(".jpg"))
        picbufFile_->setWriteCompression(JpegQualityOfDrops);
    // The file is written in the format its extension names.
    picbufFile_->setImageFormat(saveFormat(extension.mid(1).toUpper()));
    picbufFile_->setFilename(path);
    try {
        picbufFile_->Store();
    } catch (const std::exception& e) {
        ui.msgBox(QString::fromStdString(e.what()), platform::vbOKOnly + platform::vbExclamation);
    }
    picbufFile_->setImageFormat(platform::Picbuf::NoFormat);
    picbufFile_->setWriteCompression(0);
    platform::StepRunner steps(QStringLiteral("saveToBrowserDir"));
    steps.step(QStringLiteral("refresh"), [&] { form.File1->Refresh(); });
    dialogFolder_ = platform::appFolder();
    form.Text1->setFocus();
    // The folder's pages from its first file again, the new file among them.
    selectFirstFile(steps, true);
    Label13_Click();
}

// ---------------------------------------------------------------- the trash can

void Intake::Image16_DragOver(int state)
{
    interfaces::Form& form = form_;
    if (form.qso().makingHeader())
        return;
    // Only a thumbnail's file is taken; every other picture carries the no-drop cursor.
    if (state == platform::vbEnter) {
        if (interfaces::isBrowserSlot(form.canvas().dragSourceCode()))
            form.strips().iconon();
        else
            form.strips().iconoff();
    } else if (state == platform::vbLeave) {
        form.strips().iconoff();
    }
}

void Intake::Image16_DragDrop()
{
    interfaces::Form& form = form_;
    if (chosen(form.Label43)) {
        form.ui().msgBox(QStringLiteral("Cannot delete icon from ") + form.File1->filePath(), platform::vbOKOnly);
        return;
    }
    const int code = form.canvas().dragSourceCode();
    if (!interfaces::isBrowserSlot(code))
        return;
    DeletePictures(interfaces::browserSlotOf(code));
}

// The file the thumbnail showed goes to the trash: the one its page recorded, while it is
// still a file there. Deleting is undone from the trash, so the drop asks nothing.
void Intake::DeletePictures(int slot)
{
    interfaces::Form& form = form_;
    platform::FileListBox& list = *form.File1;
    const QString path = browserSlotPath(slot);
    if (path.isEmpty()) {
        form.ui().msgBox(QStringLiteral("No file highlighted!"), platform::vbOKOnly);
        form.Text1->setFocus();
        return;
    }
    const QFileInfo info(path);
    dialogFolder_ = info.absolutePath();
    form.thumbnailFor(interfaces::browserSlotCode(slot))->setPicture(QImage());
    // Its place in the list, when the list shows its folder.
    int position = -1;
    if (list.Path() == info.absolutePath())
        for (int i = 0; i < list.ListCount(); ++i)
            if (list.List(i) == info.fileName())
                position = i;
    if (!platform::moveToTrash(path)) {
        form.ui().msgBox(QStringLiteral("Cannot Delete this file!"), platform::vbOKOnly);
        form.Text1->setFocus();
        return;
    }
    browserSlotPath_[slot].clear();
    platform::StepRunner steps(QStringLiteral("DeletePictures"));
    steps.step(QStringLiteral("refresh"), [&] { list.Refresh(); });
    // The file before it is highlighted, unless it was the first two or the list is short.
    if (position >= 0)
        steps.step(QStringLiteral("highlight"), [&] {
            list.setListIndex(list.ListCount() > 1 && position > 1 ? position - 1 : -1);
        });
    dialogFolder_ = platform::appFolder();
    form.Text1->setFocus();
}

// ---------------------------------------------------------------- the zoom view

// The zoom view keeps its own copy of the slot's picture: the overlay work buffer may hold
// the element waiting for SET. A code that names no thumbnail shows the copy of the last
// zoom again.
void Intake::ShowZoom()
{
    interfaces::Form& form = form_;
    platform::PictureBox& zoom = *form.Picture21;
    platform::StepRunner steps(QStringLiteral("ShowZoom"));
    if (const platform::ImageBox* slot = form.thumbnailFor(form.canvas().dragSourceCode()))
        zoomPicture_ = slot->Picture();
    zoom.setAutoRedraw(true);
    zoom.Cls();
    const int32_t src[4] = {0, 0, zoomPicture_.width(), zoomPicture_.height()};
    const int32_t dst[4] = {0, 0, int32_t(interfaces::kTxWidth), int32_t(interfaces::kTxHeight)};
    steps.step(QStringLiteral("mmsDrawDIBdc"),
               [&] { form.engine().binding().drawPictureDc(*zoom.hDC(), dst, zoomPicture_, src, 4); });
    zoom.Print(QStringLiteral("Zoomed picture. CLICK to Exit"));
    zoom.show();
    zoom.raise();
}

void Intake::closeZoom() { form_.Picture21->hide(); }

void Intake::Picture21_MouseDown(int button)
{
    if (button != 1 && button != 2)
        return;
    // The adjusted TX picture, which the view covered, shows again.
    if (!form_.Frame9->isHidden() && adjustOnRx_ == 0)
        form_.PicbufVisible->show();
    form_.Picture21->hide();
    form_.Picture21->Cls();
}

} // namespace intake
