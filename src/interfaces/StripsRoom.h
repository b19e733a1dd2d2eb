#pragma once
// What other rooms ask of the thumbnail strip (strips::Strips): the strip's category and
// slots, the recent row and the drag cursors of the thumbnails.

#include <QString>

class QImage;

namespace interfaces {

class StripsRoom {
public:
    // What the strip shows: the option button chosen (Option9 "Favorites", Option10
    // "Camera", Option11 "RX Pictures", Option12 "TX Pictures").
    enum class Category { Favorites, Camera, RxPictures, TxPictures };
    virtual Category category() const = 0;
    // The seven slots loaded again for the category and page shown.
    virtual void reloadStrip() = 0;
    // Back to the page with the newest pictures.
    virtual void stripToPageOne() = 0;
    // A picture joins the recent row as its newest (Image12); the oldest falls out.
    virtual void shiftRecentRow(const QImage& newest) = 0;
    // A new file of the folder shown enters the strip's first page as slot 1.
    virtual void shiftStripSlots(const QImage& picture, const QString& path) = 0;
    // The cursor of the control the drag source names: drop taken, or only carried.
    virtual void iconon() = 0;
    virtual void iconoff() = 0;
    // The picture the strip's trash can shows (the engine's start gives it the browser's).
    virtual void setTrashCanPicture(const QImage& picture) = 0;

protected:
    ~StripsRoom() = default;
};

} // namespace interfaces
