#pragma once
// The thumbnail strip's controller: TX, RX and camera pictures, favourites, the recent row.

#include <QImage>
#include <QObject>

namespace shell { class FormMain; }

namespace strips {

class Strips : public QObject {
    Q_OBJECT
public:
    explicit Strips(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void HScroll2_Change(); // the strip's pager
    void reloadStrip();     // reloads the seven slots for the category and page shown
    void stripToPageOne();  // back to the page with the newest pictures
    // A picture joins the recent row as its newest (Image12); the oldest falls out.
    void shiftRecentRow(const QImage& newest);

    // The category the strip shows. Its option buttons come with the strip's own
    // controls; until then it shows the favourites.
    enum class Category { Favorites, Camera, RxPictures, TxPictures };
    Category category = Category::Favorites;

    // Press on strip slot `code` (Image2 to Image5, Image21 to Image23, by their Image
    // number) or on recent picture `code` (15 to 18: Image12, Image17 to Image19): a slot
    // with a picture writes its code; the left button drags it.
    void stripSlotMouseDown(int code, int button);
    void recentSlotMouseDown(int code, int button);
    // The cursor of the control that dragSource names: drop taken, or only carried.
    void iconon();
    void iconoff();

    // The page shown last per category: 0 the RX pages' count, 1 Favorites, 2 Camera,
    // 3 RX Pictures, 4 TX Pictures.
    int stripPages[5] = {0, 0, 0, 0, 0};

    // The picture store, elements 1 to 53 (a null picture is an empty element): 1 to 20
    // and 39 to 53 the 35 favourites, paged seven at a time; 21 the splash as painted
    // over the TX screen at the last shut-down; 22 to 30 the header boxes; 31 to 34
    // without a role; 35 to 38 the recent row. Kept in files across runs by the shell.
    QImage favouritePictures[54];

private:
    void slotMouseDown(int code, int button);
    shell::FormMain& form_;
};

} // namespace strips
