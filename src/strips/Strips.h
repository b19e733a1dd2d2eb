#pragma once
// The thumbnail strip's controller: TX, RX and camera pictures, favourites, the recent row.

#include "interfaces/StripsRoom.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

namespace interfaces { class Form; }

namespace strips {

// The favourite element each strip slot shows on favourites page 1 to 5, the slots in
// screen order (Image2, Image3, Image4, Image5, Image21, Image22, Image23). A page's
// elements rise in the order Image2, Image3, Image5, Image4, ...: the third slot from the
// top shows the page's fourth element. Showing a page and storing it use this one table,
// so a picture dropped on a slot comes back in that slot.
inline constexpr int kFavouritePage[5][7] = {
    {1, 2, 4, 3, 5, 6, 7},       {8, 9, 11, 10, 12, 13, 14},  {15, 16, 18, 17, 19, 20, 39},
    {40, 41, 43, 42, 44, 45, 46}, {47, 48, 50, 49, 51, 52, 53},
};

// The drag-source code of strip slot k (1 to 7, top down): its Image number; 0 for others.
int stripSlotCode(int k);
// The slot position (1 to 7) of a strip slot's code; 0 for other codes.
int stripSlotOf(int code);

class Strips : public QObject, public interfaces::StripsRoom {
    Q_OBJECT
public:
    explicit Strips(interfaces::Form& form);

    // What the strip shows (StripsRoom::Category).
    Category category() const override;
    void Option9_Click();
    void Option10_Click();
    void Option11_Click();
    void Option12_Click();

    void HScroll2_Change(); // the strip's pager
    void HScroll2_GotFocus();
    void reloadStrip() override;     // reloads the seven slots for the category and page shown
    void stripToPageOne() override;  // back to the page with the newest pictures
    // A picture joins the recent row as its newest (Image12); the oldest falls out.
    void shiftRecentRow(const QImage& newest) override;
    // A new file of the folder shown enters the strip's first page: every slot moves one
    // on towards slot 7 with its file, the last one drops out, and slot 1 shows `picture`
    // of the file `path`.
    void shiftStripSlots(const QImage& picture, const QString& path) override;
    // Takes the seven slots of the favourites page shown back into the favourites.
    void storeFavouritesPage();

    // Press on strip slot `code` (Image2 to Image5, Image21 to Image23, by their Image
    // number) or on recent picture `code` (15 to 18: Image12, Image17 to Image19): a slot
    // with a picture writes its code; the left button drags it, the right one zooms it.
    void stripSlotMouseDown(int code, int button);
    void recentSlotMouseDown(int code, int button);
    // The cursor of the control that dragSource names: drop taken, or only carried.
    void iconon() override;
    void iconoff() override;

    // Strip slot `code` as a drop target: feedback, a picture dragged inside the window
    // (kept as a favourite), and a file dropped from the desktop.
    void stripSlotDragOver(int code, int state);
    void stripSlotDragDrop(int code);
    void stripSlotOLEDragDrop(int code, const QStringList& files);
    // The strip's trash can Image24: a slot of a file category dropped on it sends the
    // slot's file to the trash.
    void Image24_DragOver(int state);
    void Image24_DragDrop();
    void setTrashCanPicture(const QImage& picture) override;

    // The page each category showed last, and the RX Pictures' count of pages (the
    // auto-save limit in pages of seven).
    int lastPage(Category category) const { return stripPages_[int(category) + 1]; }
    void setLastPage(Category category, int page) { stripPages_[int(category) + 1] = page; }
    int rxPageCount() const { return stripPages_[0]; }
    void setRxPageCount(int pages) { stripPages_[0] = pages; }

    // The file strip slot k (1 to 7) of a file category shows ("" for none).
    QString stripSlotPath(int k) const;

    // The picture store, elements 1 to 53 (a null picture is an empty element): 1 to 20
    // and 39 to 53 the 35 favourites, paged seven at a time; 21 the splash as painted
    // over the TX screen at the last shut-down; 22 to 30 the header boxes; 31 to 34
    // without a role; 35 to 38 the recent row. Kept in files across runs by the shell.
    // Another element number reads as empty and stores nothing.
    QImage storedPicture(int element) const;
    void storePicture(int element, const QImage& picture);

private:
    void slotMouseDown(int code, int button);
    void chooseCategory(int page, int maximum, bool countFirst);
    QString categoryFolder(Category category) const;
    interfaces::Form& form_;
    // Indexed as lastPage and rxPageCount say: 0 the RX pages' count, then by category.
    int stripPages_[5] = {0, 0, 0, 0, 0};
    // The file each slot of a file category shows (slot 1 to 7; "" for none).
    QString stripSlotPath_[8];
    QImage favouritePictures_[54];
};

} // namespace strips
