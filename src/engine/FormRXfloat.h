#pragma once
// The floating RX monitor: a small window that shows the received picture while the
// main window is hidden. It is kept on top of other windows.
//
// Its size is handled in twips (15 to the pixel) as an outer size whose frame is taken
// as 7 pixels wide and 26 high, the rest being the picture: the frame the platform
// draws around the window is its own, so the picture box fills the window's inside.

#include <QWidget>

namespace platform { class PictureBox; }
namespace interfaces { class Form; }

namespace engine {

class FormRXfloat : public QWidget {
    Q_OBJECT
public:
    explicit FormRXfloat(interfaces::Form& form);

    platform::PictureBox* Picture1 = nullptr; // the monitor picture

    static constexpr int FrameWidth = 7;   // pixels of the outer width that are not picture
    static constexpr int FrameHeight = 26; // pixels of the outer height that are not picture

    double outerWidthTwips() const;
    double outerHeightTwips() const;
    void setOuterWidthTwips(double twips);
    void setOuterHeightTwips(double twips);

    // The picture takes the window's width and the height of the RX mode's aspect; the
    // window takes the picture's height.
    void FormRXfloat_Form_Resize();
    // Closing the monitor always brings the main window back; while the main window is
    // hidden the monitor stays loaded (cancel).
    void FormRXfloat_Form_QueryUnload(bool& cancel);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    interfaces::Form& form_;
};

} // namespace engine
