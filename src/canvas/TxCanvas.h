#pragma once
// The TX screen's controller: editing modes, shapes, fills, overlays, SET and undo, the
// drops onto the TX screen and the copy of the committed picture into the engine.
//
// The TX picture lives in several holders (TxPictureCopies): Picture1 the live screen,
// whose base picture (Picture) is the committed picture and whose persistent layer
// (Image) is that picture plus what is drawn with AutoRedraw on; Image6 the clean picture
// under the element being placed; Image13 and Image14 the take-back copies; Picture2,
// Picture3, Picture13 and Picture20 work buffers; and the engine's txDib, which is only
// ever written from the committed picture (pushTxPicture). SET's back colour tells whether
// an element waits for the commit (255) or not (the button face).

#include <QObject>

#include <cstdint>

class QWidget;

namespace shell { class FormMain; }

namespace canvas {

// The values of dragSource: what the drag in progress carries. Every drag source writes
// its code before it starts the drag; every drop target reads it instead of the control
// the drop event names. 2 to 5 and 21 to 23 are the strip slots (the Image number), 11 to
// 14 the browser's thumbnails, 15 to 18 the recent pictures.
enum DragSourceCode : int {
    dragNone = 0,
    dragTxPicture = 8,  // the TX picture itself; also the resting value after SET and take-back
    dragMugShot = 10,
    dragCallSign = 19,  // the call sign of Text3, to be drawn as text
    dragFskIdText = 20, // the received FSK identification of Label56, as text
    dragShapeTool = 99, // not a drag: a shape waits to be placed
};
bool isStripSlot(int code);
bool isBrowserSlot(int code);
bool isRecentPicture(int code);
// A code whose picture a drop can take as the whole TX picture.
bool isPictureSource(int code);

inline constexpr uint32_t kPendingColor = 255; // SET while an element waits

class TxCanvas : public QObject {
    Q_OBJECT
public:
    explicit TxCanvas(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void Option6_Click(); // editing mode "Overlays" (Ctrl+O)
    void Option7_Click(); // editing mode "Pic in Pic" (Ctrl+P)
    void Option8_Click(); // editing mode "Draw"
    void Label32_Click(); // "Pattern Fill" toggle (Ctrl+F)
    void Label38_Click(); // "Color Fill" toggle (Ctrl+C)
    void Check19_Click(); // "4 pics in 1" (Ctrl+X)
    // "Undo", and the routine that ends whatever tool or element is in progress.
    void Command12_Click();
    void Command13_Click(); // closes the TX screen's open panels and ends the current tool
    void Timer2_Timer(); // redraw after the size, move and rotate buttons
    void Check3_Click(); // "Border": the pending overlay with or without its frame picture
    void HScroll1_Change(); // draw thickness

    // The TX screen's press: as far as the drags need it, it forgets a dragged header box,
    // and the right button drags the TX picture itself (or ends an armed shape).
    void Picture1_MouseDown(int button, int shift, double x, double y);
    // Drag feedback over the TX screen: the dragged control's icon.
    void Picture1_DragOver(QWidget* source, double x, double y, int state);
    // Every drop on the TX screen: texts, header boxes, fills, overlays, whole pictures.
    void Picture1_DragDrop(QWidget* source, double x, double y);
    // The received FSK identification dragged as text (Text mode only).
    void Label56_MouseDown(int button, int shift, double x, double y);

    // The committed TX picture into the engine's TX buffer, over the current mode's
    // picture size; a failing engine call is logged and leaves the buffer as it was.
    void pushTxPicture();
    // The pending overlay or picture-in-picture from Picture3 onto Picture1's persistent
    // layer, scaled, turned and keyed by the placement state below; `addend` is added to
    // rotateFlags (0 / 1 while pending in Pic in Pic / Overlays, 2 / 3 at the commit).
    void drawElement(int addend);

    // Shared state of the drags and of the element being placed.
    int dragSource = dragNone;
    int headerBoxDragged = 0;     // 4 to 12 while that header box is dragged
    float textX = 0;              // the element's position on the TX picture
    float textY = 0;
    double overlayScale = 0;      // width of the pending overlay; its height is 4/5 of it
    double overlayAngle = 0;      // overlay rotation in degrees (text rotation in Text mode)
    int32_t rotateFlags = 0;      // 1 keyed, 2 smooth, &H40000 / &H80000 mirrored
    int transparentOn = 0;        // 1 while the overlay is a whole-screen transparent one
    int repeatAction = 0;         // 1 while a size or rotate button is held
    int txMouseState = 0;         // 101 while a crop rectangle is drawn
    double shapeSize = 0;
    double shapeAspect = 0;
    int shapeScrollLast = 0;
    int blendPercent = 0;
    int blendRest = 0;
    // The box round the freehand drawing; empty is top 512, bottom 0, left 640, right 0.
    double drawnExtentTop = 0;
    double drawnExtentBottom = 0;
    double drawnExtentLeft = 0;
    double drawnExtentRight = 0;
    qint32 stepModeColour = 0;   // 255 while the shadow colour box's step mode is on

private:
    void setIdle();
    void setPending();
    void resetDrawnExtent();
    void textDrop(QWidget* source, const QString& text, double x, double y);
    void colorFillDrop(double x, double y);
    void wholePictureDrop(double x, double y);

    shell::FormMain& form_;
};

} // namespace canvas
