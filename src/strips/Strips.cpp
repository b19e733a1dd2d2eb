#include "strips/Strips.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/DragSource.h"
#include "interfaces/EngineRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/QsoRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Trash.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragIcons.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <algorithm>

namespace strips {

namespace {

constexpr int kSlotCodes[8] = {0, 2, 3, 4, 5, 21, 22, 23};
constexpr int kFavouritePages = 5;

} // namespace

int stripSlotCode(int k)
{
    return k >= 1 && k <= 7 ? kSlotCodes[k] : 0;
}

int stripSlotOf(int code)
{
    for (int k = 1; k <= 7; ++k)
        if (kSlotCodes[k] == code)
            return k;
    return 0;
}

Strips::Strips(interfaces::Form& form) : QObject(nullptr), form_(form) {}

QString Strips::stripSlotPath(int k) const
{
    return k >= 1 && k <= 7 ? stripSlotPath_[k] : QString();
}

QImage Strips::storedPicture(int element) const
{
    return element >= 1 && element <= 53 ? favouritePictures_[element] : QImage();
}

void Strips::storePicture(int element, const QImage& picture)
{
    if (element >= 1 && element <= 53)
        favouritePictures_[element] = picture;
}

// ---------------------------------------------------------------- categories and pages

Strips::Category Strips::category() const
{
    if (form_.Option10->value())
        return Category::Camera;
    if (form_.Option11->value())
        return Category::RxPictures;
    if (form_.Option12->value())
        return Category::TxPictures;
    return Category::Favorites;
}

// The category's remembered page and its page count, in the order of each category:
// the page first for Favorites, Camera and TX Pictures, the count first for RX Pictures
// (whose count may be below the page shown). Setting a page other than the one shown runs
// the pager, which loads a file category; the strip is then loaded once more, so a page
// that was shown already is loaded for the new category too.
void Strips::chooseCategory(int page, int maximum, bool countFirst)
{
    interfaces::Form& form = form_;
    platform::ScrollBar& bar = *form.HScroll2;
    platform::StepRunner steps(QStringLiteral("strip category"));
    // There is always a first page: a count below it would move the minimum.
    auto count = [&] { bar.setMaximum(std::max(maximum, bar.minimum())); };
    // A page above the count still in place (RX Pictures' may be lower) is kept, not cut
    // down to it: the pager would remember the cut page for this category.
    auto setPage = [&] {
        if (!countFirst && page > bar.maximum())
            bar.setMaximum(page);
        bar.setValue(page);
    };
    if (countFirst) {
        steps.step(QStringLiteral("Max"), count);
        steps.step(QStringLiteral("Value"), setPage);
    } else {
        steps.step(QStringLiteral("Value"), setPage);
        steps.step(QStringLiteral("Max"), count);
    }
    steps.step(QStringLiteral("Text5"), [&] { form.Text5->setText(QString::number(bar.value())); });
    steps.step(QStringLiteral("reloadStrip"), [&] { reloadStrip(); });
}

void Strips::Option9_Click() { chooseCategory(stripPages_[1], kFavouritePages, false); }
void Strips::Option10_Click() { chooseCategory(stripPages_[2], kFavouritePages, false); }
void Strips::Option11_Click() { chooseCategory(stripPages_[3], stripPages_[0], true); }
void Strips::Option12_Click() { chooseCategory(stripPages_[4], kFavouritePages, false); }

void Strips::HScroll2_Change()
{
    interfaces::Form& form = form_;
    const int page = form.HScroll2->value();
    if (category() == Category::Favorites) {
        // No favourite is deleted through the trash can: it is off while they are shown.
        form.Image24->hide();
        form.Text5->setText(QString::number(page));
        stripPages_[1] = page;
        if (page >= 1 && page <= kFavouritePages)
            for (int k = 1; k <= 7; ++k)
                form.thumbnailFor(stripSlotCode(k))->setPicture(favouritePictures_[kFavouritePage[page - 1][k - 1]]);
        return;
    }
    switch (category()) {
    case Category::Camera: stripPages_[2] = page; break;
    case Category::RxPictures: stripPages_[3] = page; break;
    case Category::TxPictures: stripPages_[4] = page; break;
    case Category::Favorites: break;
    }
    form.Text5->setText(QString::number(page));
    reloadStrip();
}

void Strips::HScroll2_GotFocus()
{
    HScroll2_Change();
    form_.Text1->setFocus();
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

QString Strips::categoryFolder(Category category) const
{
    switch (category) {
    case Category::Camera: return platform::appPath(QStringLiteral("CamImages"));
    case Category::RxPictures: return form_.engine().autoSaveFolder();
    case Category::TxPictures: return platform::appPath(QStringLiteral("TXImages"));
    case Category::Favorites: break;
    }
    return QString();
}

// Page p of a file category shows File2's entries N - 1 - 7(p - 1) down to N - 7p, the
// newest (the last dated name) at the top. Each slot records the file it shows, which is
// what the trash can deletes: positions in the list move as files come and go.
void Strips::reloadStrip()
{
    interfaces::Form& form = form_;
    platform::StepRunner steps(QStringLiteral("reloadStrip"));
    steps.step(QStringLiteral("focus"), [&] { form.Text1->setFocus(); });
    const Category shown = category();
    if (shown == Category::Favorites) {
        form.Image24->hide();
        HScroll2_Change();
        return;
    }
    if (!form.Frame9->isHidden())
        return;
    form.Image24->show();
    steps.step(QStringLiteral("prepare buffer"), [&] { form.intake().emptyAdjustResult(); });
    // The sent pictures and the camera frames live in the application folder, which the
    // file dialogs then start from; the auto-save folder leaves them where they were.
    if (shown != Category::RxPictures)
        form.intake().setDialogFolder(platform::appFolder());
    platform::FileListBox& list = *form.File2;
    // A folder that cannot be listed shows nothing, not the folder listed before.
    const bool listed = steps.step(QStringLiteral("File2"), [&] {
        list.setPath(categoryFolder(shown));
        list.Refresh();
    });
    for (int k = 1; k <= 7; ++k) {
        form.thumbnailFor(stripSlotCode(k))->setPicture(QImage());
        stripSlotPath_[k].clear();
    }
    if (!listed)
        return;
    const int page = form.HScroll2->value();
    for (int k = 1; k <= 7; ++k) {
        const int count = list.ListCount();
        const int i = (count - k) - (page - 1) * 7;
        if (i < 0 || i >= count) {
            list.setListIndex(-1);
            return;
        }
        list.setListIndex(i);
        const QString path = list.filePath();
        // A file that is no picture leaves its slot empty; the ones after it keep their places.
        steps.step(list.FileName(), [&] {
            form.thumbnailFor(stripSlotCode(k))->setPicture(platform::LoadPicture(path));
        });
        stripSlotPath_[k] = path;
        // Listed again before the next slot: a file that came meanwhile counts.
        steps.step(QStringLiteral("Refresh"), [&] { list.Refresh(); });
    }
}

void Strips::shiftStripSlots(const QImage& picture, const QString& path)
{
    interfaces::Form& form = form_;
    for (int k = 7; k >= 2; --k) {
        form.thumbnailFor(stripSlotCode(k))->setPicture(form.thumbnailFor(stripSlotCode(k - 1))->Picture());
        stripSlotPath_[k] = stripSlotPath_[k - 1];
    }
    form.thumbnailFor(stripSlotCode(1))->setPicture(picture);
    stripSlotPath_[1] = path;
}

void Strips::storeFavouritesPage()
{
    interfaces::Form& form = form_;
    if (category() != Category::Favorites) {
        form.Text1->setFocus();
        return;
    }
    const int page = form.HScroll2->value();
    if (page >= 1 && page <= kFavouritePages)
        for (int k = 1; k <= 7; ++k)
            favouritePictures_[kFavouritePage[page - 1][k - 1]] = form.thumbnailFor(stripSlotCode(k))->Picture();
    HScroll2_Change();
    form.canvas().setDragSource(interfaces::dragNone);
}

// ---------------------------------------------------------------- the slots as drag sources

void Strips::stripSlotMouseDown(int code, int button)
{
    if (interfaces::isOn(form_.Label38))
        form_.canvas().Label38_Click();
    slotMouseDown(code, button);
}

void Strips::recentSlotMouseDown(int code, int button) { slotMouseDown(code, button); }

// An empty slot, or any slot while the picture-adjust panel is open, refuses the press.
void Strips::slotMouseDown(int code, int button)
{
    platform::ImageBox* slot = form_.thumbnailFor(code);
    if (!slot || !slot->hasPicture() || !form_.Frame9->isHidden()) {
        form_.Text1->setFocus();
        return;
    }
    auto& canvas = form_.canvas();
    canvas.setDragSource(code);
    if (button == 2)
        form_.intake().ShowZoom();
    if (button == 1) {
        canvas.setOverlayWidth(240);
        slot->setDragIcon(platform::dragIcon(platform::DragIcon::Carry));
        slot->Drag(platform::vbBeginDrag);
    }
}

namespace {
// The control that carries the drag of a picture code: a thumbnail or the TX screen.
QWidget* pictureCarrier(const interfaces::Form& form, int code)
{
    if (code == interfaces::dragTxPicture)
        return form.Picture1;
    return form.thumbnailFor(code);
}
} // namespace

void Strips::iconon()
{
    if (QWidget* carrier = pictureCarrier(form_, form_.canvas().dragSourceCode()))
        platform::DragManager::setDragIcon(carrier, platform::dragIcon(platform::DragIcon::Drop));
}

// The two texts drag as their plain outline again; the palette swatches, dragged as a
// fill colour without a code of their own, always get the carry cursor back.
void Strips::iconoff()
{
    const int code = form_.canvas().dragSourceCode();
    if (QWidget* carrier = pictureCarrier(form_, code))
        platform::DragManager::setDragIcon(carrier, platform::dragIcon(platform::DragIcon::Carry));
    else if (code == interfaces::dragCallSign)
        platform::DragManager::setDragIcon(form_.Text3, platform::dragIcon(platform::DragIcon::Neutral));
    else if (code == interfaces::dragFskIdText)
        platform::DragManager::setDragIcon(form_.Label56, platform::dragIcon(platform::DragIcon::Neutral));
    for (int n = 1; n <= 12; ++n)
        platform::DragManager::setDragIcon(form_.swatch(n), platform::dragIcon(platform::DragIcon::Carry));
}

// ---------------------------------------------------------------- the slots as drop targets

void Strips::stripSlotDragOver(int code, int state)
{
    if (category() != Category::Favorites || form_.qso().makingHeader())
        return;
    if (state == platform::vbLeave) {
        iconoff();
    } else if (state == platform::vbEnter) {
        // A slot over itself is not taken; iconon gives the drop cursor to exactly the
        // pictures a slot takes.
        if (form_.canvas().dragSourceCode() == code)
            form_.thumbnailFor(code)->setDragIcon(platform::dragIcon(platform::DragIcon::Carry));
        else
            iconon();
    }
}

// In the favourites a picture dragged onto a slot becomes the favourite of that slot and
// page. A dragged header box is swallowed in every category.
void Strips::stripSlotDragDrop(int code)
{
    interfaces::Form& form = form_;
    auto& canvas = form.canvas();
    if (form.qso().makingHeader())
        return;
    if (canvas.draggedHeaderBox() != 0) {
        canvas.setDraggedHeaderBox(0);
        form.Text1->setFocus();
        return;
    }
    if (category() != Category::Favorites)
        return;
    const int source = canvas.dragSourceCode();
    const platform::ImageBox* sourceSlot = source == code ? nullptr : form.thumbnailFor(source);
    if (source != interfaces::dragTxPicture && !sourceSlot) {
        form.Text1->setFocus();
        return;
    }
    form.thumbnailFor(code)->setPicture(source == interfaces::dragTxPicture ? form.Picture1->Image()
                                                                        : sourceSlot->Picture());
    form.Text1->setFocus();
    storeFavouritesPage();
}

// A picture file from the desktop, fitted to the TX picture's size by the fit mode. In
// the favourites it becomes the slot's favourite; in a file category it is only shown
// until the strip is loaded again, and the slot no longer stands for a file.
void Strips::stripSlotOLEDragDrop(int code, const QStringList& files)
{
    interfaces::Form& form = form_;
    if (files.isEmpty())
        return;
    auto& intake = form.intake();
    try {
        intake.fileLoader().setFilename(files.first());
        intake.fileLoader().load();
    } catch (const std::exception& e) {
        qInfo("strip slot %d: %s", code, e.what());
        return;
    }
    intake.olepicturesize();
    form.thumbnailFor(code)->setPicture(form.Picture2->Image());
    stripSlotPath_[stripSlotOf(code)].clear();
    storeFavouritesPage();
}

// ---------------------------------------------------------------- the trash can

void Strips::setTrashCanPicture(const QImage& picture) { form_.Image24->setPicture(picture); }

void Strips::Image24_DragOver(int state)
{
    if (form_.qso().makingHeader())
        return;
    // A strip slot's file is taken; every other picture carries the no-drop cursor.
    if (state == platform::vbEnter) {
        if (stripSlotOf(form_.canvas().dragSourceCode()) != 0)
            iconon();
        else
            iconoff();
    } else if (state == platform::vbLeave) {
        iconoff();
    }
}

// The file the slot was loaded from goes to the trash, while it is still a file there;
// the same page is then shown again, each file below it one slot up. A deletion is undone
// from the trash, so the drop asks nothing.
void Strips::Image24_DragDrop()
{
    interfaces::Form& form = form_;
    const int k = stripSlotOf(form.canvas().dragSourceCode());
    // Off (the favourites shown) it takes no drop.
    if (k == 0 || form.Image24->isHidden())
        return;
    const QString path = stripSlotPath_[k];
    if (path.isEmpty())
        return;
    if (!platform::moveToTrash(path)) {
        form.ui().msgBox(QStringLiteral("Cannot Delete this file!"), platform::vbOKOnly);
        form.Text1->setFocus();
        return;
    }
    stripSlotPath_[k].clear();
    reloadStrip();
    form.Text1->setFocus();
}

} // namespace strips
