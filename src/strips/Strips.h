#pragma once
// The thumbnail strip's controller: TX, RX and camera pictures, favourites, the recent row.

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

    // The category the strip shows. Its option buttons come with the strip's own
    // controls; until then it shows the favourites.
    enum class Category { Favorites, Camera, RxPictures, TxPictures };
    Category category = Category::Favorites;

    // The page shown last per category: 0 the RX pages' count, 1 Favorites, 2 Camera,
    // 3 RX Pictures, 4 TX Pictures.
    int stripPages[5] = {0, 0, 0, 0, 0};

private:
    shell::FormMain& form_;
};

} // namespace strips
