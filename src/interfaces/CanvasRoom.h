#pragma once
// What other rooms ask of the TX screen's controller (canvas::TxCanvas).

#include <QString>

class QImage;
namespace platform { class OptionButton; class RandomSource; class ShapeControl; }

namespace interfaces {

class CanvasRoom {
public:
    // Sets an option button the way a handler's assignment does: its click runs only when
    // it was not set.
    static void select(platform::OptionButton* option);

    // "Undo", and the routine that ends whatever tool or element is in progress.
    virtual void Command12_Click() = 0;
    // Opens and closes the picture-adjust panel (every press first closes the browser,
    // crop and header panels).
    virtual void Command13_Click() = 0;
    // The Things list; also the shape drawer that SET and the colour swatches call.
    virtual void Combo1_Click() = 0;
    // "Color Fill": arms or disarms the fill; also the routine that switches it off.
    virtual void Label38_Click() = 0;
    // The current mode's frame highlighted, the other two plain; the other modes' buttons
    // off and `current` green.
    virtual void highlightFrame(platform::ShapeControl* current) = 0;
    virtual void modeColours(platform::OptionButton* current) = 0;
    // The canvas's mode buttons and Pic in Pic's options are the canvas's to write: Draw
    // chosen as a handler's assignment does (its click runs only when it was not set);
    // Overlays and Pic in Pic set off (no handler runs); "Follow Mouse" and "4 pics in 1"
    // unticked, and "4 pics in 1" ticked, each box's click running as it changes.
    virtual void chooseDrawMode() = 0;
    virtual void leaveOverlayModes() = 0;
    virtual void clearPicInPicOptions() = 0;
    virtual void tickFourPicsInOne() = 0;
    // The committed TX picture into the engine's TX buffer.
    virtual void pushTxPicture() = 0;

    // SET's back colour is the state of the element being placed, and only the canvas
    // writes it: an element now waits for SET (red), or none does any more (idle).
    virtual void markElementPending() = 0;
    virtual void markNothingPending() = 0;
    // A tool toggle of the TX screen shown off as another tool starts: its label only,
    // nothing else the tool keeps (Fix Color's set-aside colour stays where it is).
    enum class Tool { Crop, FixColour, PatternFill, NoiseLineRepair };
    virtual void toolOff(Tool tool) = 0;

    // The holders of the TX picture (the TX screen's committed picture, the clean picture
    // under the next element, the take-back copies) are the canvas's to write; the other
    // rooms draw on the TX screen and then ask for these.
    // What the TX screen shows (with its persistent layer) becomes its committed picture.
    virtual void commitTxScreen() = 0;
    // `picture` becomes the TX screen's committed picture.
    virtual void setTxPicture(const QImage& picture) = 0;
    // Before a change: the TX screen as it shows now is what OOPS!! takes back to.
    virtual void keepTakeBackCopy() = 0;
    // After a change: the TX screen as it shows now is what OOPS!!, pressed again, brings
    // back.
    virtual void keepChangedCopy() = 0;
    // The clean picture under the next element, from which Undo and every preview start:
    // the TX screen as it shows now, its committed picture, or `picture` (while an overlay
    // or picture-in-picture is pending, its own picture stands in that place).
    virtual void keepScreenAsClean() = 0;
    virtual void keepCommittedAsClean() = 0;
    virtual void setCleanPicture(const QImage& picture) = 0;
    // The clean picture back as the TX screen's committed picture.
    virtual void restoreCleanPicture() = 0;
    // The overlay held in Picture2 drawn see-through onto the TX screen at the element's
    // corner, scaled to the element; nothing is committed.
    virtual void turntransparent() = 0;

    // What the drag in progress carries (a DragSourceCode, or a strip, browser or recent
    // slot's code); every drag source sets it before its drag starts.
    virtual int dragSourceCode() const = 0;
    virtual void setDragSource(int code) = 0;
    // The header box being dragged (4 to 12), 0 while none is; a drop that takes no
    // header box sets it back to 0.
    virtual int draggedHeaderBox() const = 0;
    virtual void setDraggedHeaderBox(int box) = 0;
    // The width of the pending overlay or picture-in-picture; its height is 4/5 of it.
    virtual double overlayWidth() const = 0;
    virtual void setOverlayWidth(double width) = 0;
    // Where the element stands on the TX picture: the text's print position, the corner
    // of a pending overlay, picture-in-picture or stamp.
    virtual float elementX() const = 0;
    virtual float elementY() const = 0;
    virtual void setElementX(float x) = 0;
    virtual void setElementY(float y) = 0;
    // The pending overlay's turn in degrees (the text's turn in Text mode).
    virtual double elementAngle() const = 0;
    virtual void setElementAngle(double degrees) = 0;
    // What the last press on the TX screen or a tool left going: 101 while a crop
    // rectangle is drawn, 9 / 19 after the text was turned clockwise / anticlockwise, 107
    // while the browser's page change waits; 0 for nothing.
    virtual int mouseState() const = 0;
    virtual void setMouseState(int state) = 0;
    // The Things list names a shape that is armed for SET rather than drawn at once.
    virtual bool shapeChosen() const = 0;
    // The colour Pattern Fill paints, as a swatch picks it.
    virtual void setPatternFillColour(qint32 colour) = 0;
    // The drawing colour put aside while Fix Color is on.
    virtual QString setAsideDrawingColour() const = 0;
    // The shadow colour box's step mode (255 on, 0 off).
    virtual void setShadowStepMode(qint32 mode) = 0;
    // The draws of the committed text's colour variation.
    virtual platform::RandomSource& colourDraws() = 0;
    // Both coordinates of the element's place at once.
    void setElementPlace(double x, double y) { setElementX(float(x)); setElementY(float(y)); }

protected:
    ~CanvasRoom() = default;
};

} // namespace interfaces
