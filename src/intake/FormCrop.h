#pragma once
// The crop dialog: the operator chooses which part of a freshly loaded picture goes onto
// the TX screen, and whether the top 32 rows stay free for a header. Modeless. The mode is
// held in the back colours of the three mode buttons (the chosen one red); the crop
// rectangle is w wide, 4w/5 high in Full Size (the TX screen's shape) and 3w/4 in Space for
// Header, with its top-left corner at (anchor x - w/2, anchor y - w/2).

#include <QRectF>
#include <QWidget>

class QScrollArea;

namespace platform {
class CommandButton;
class PictureBox;
} // namespace platform
namespace interfaces { class Form; }

namespace intake {

class FormCrop : public QWidget {
    Q_OBJECT
public:
    // Loading the dialog runs its load handler.
    explicit FormCrop(interfaces::Form& form);

    platform::PictureBox* Picture1 = nullptr;      // the picture to crop, 640 x 512
    platform::CommandButton* Command1 = nullptr;   // Crop Full Size
    platform::CommandButton* Command7 = nullptr;   // "No Change"
    platform::CommandButton* Command2 = nullptr;   // Crop Space for Header
    platform::CommandButton* Command3 = nullptr;   // "+"
    platform::CommandButton* Command4 = nullptr;   // "-"
    platform::CommandButton* Command6 = nullptr;   // "Cancel"
    platform::CommandButton* Command5 = nullptr;   // "Send to TX"

    // The crop rectangle's width and anchor, in the canvas's pixels.
    double cropWidth() const { return cropWidth_; }
    void setCropWidth(double width) { cropWidth_ = width; }
    QPointF cropAnchor() const { return QPointF(cropAnchorX_, cropAnchorY_); }
    // The narrowest the rectangle shrinks to.
    static constexpr double MinimumCropWidth = 16;

    void Form_Load();
    // Shown (again) at `place`, fitted to the screen: at its design size where the screen
    // has room for it there; on a smaller screen (or a large one at a high scale) as large
    // as the screen and moved into it, its canvas and buttons reached by scrolling.
    void showAt(QPoint place);
    void Command1_Click(); // Crop Full Size
    void Command2_Click(); // Crop Space for Header
    void Command7_Click(); // No Change
    void Command3_Click(); // "+": grow
    void Command4_Click(); // "-": shrink
    void Command5_Click(); // "Send to TX"
    void Command6_Click(); // "Cancel"
    void Picture1_MouseDown(int button, int shift, double x, double y);
    void Picture1_MouseMove(int button, int shift, double x, double y);
    void Picture1_MouseUp(int button, int shift, double x, double y);

    bool fullSizeChosen() const;
    bool headerSpaceChosen() const;
    bool noChangeChosen() const;
    // The rectangle of the chosen crop mode (empty in No Change).
    QRectF cropBox() const;

protected:
    // Shown: fitted to the screen, now that the frame round it is known.
    void showEvent(QShowEvent* event) override;

private:
    // Clears the drawn graphics and draws the chosen mode's rectangle.
    void drawCropBox();
    void fitToScreen();

    QScrollArea* scroll_ = nullptr;

    interfaces::Form& form_;
    double cropWidth_ = 0;
    double cropAnchorX_ = 0;
    double cropAnchorY_ = 0;
};

} // namespace intake
