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

#include "interfaces/CanvasRoom.h"
#include "interfaces/DragSource.h"
#include "interfaces/Facts.h"
#include "platform/drawing/Colors.h"
#include "platform/drawing/Gdi.h"
#include "platform/runtime/Random.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class QWidget;

namespace interfaces { class Form; class TextRoom; }
namespace platform { class OptionButton; class ShapeControl; class StepRunner; }

namespace canvas {

// The drag-source codes and the state colours are the interfaces' facts, named here too
// while other rooms still spell them canvas::...
using interfaces::DragSourceCode;
using interfaces::dragNone;
using interfaces::dragTxPicture;
using interfaces::dragMugShot;
using interfaces::dragCallSign;
using interfaces::dragFskIdText;
using interfaces::dragShapeTool;
using interfaces::isStripSlot;
using interfaces::isBrowserSlot;
using interfaces::isRecentPicture;
using interfaces::isPictureSource;
using interfaces::kTxWidth;
using interfaces::kTxHeight;
using interfaces::isOn;
// "Ellipse", "Circle" or "Box": a Things item that is armed rather than drawn at once.
bool isShapeItem(const QString& item);
// The text room's drawing colour as a colour to draw with.
platform::gdi::Colour drawingColour(const interfaces::TextRoom& text);

inline constexpr uint32_t kPendingColor = interfaces::kStateOn;  // SET while an element waits; a tool label that is on
inline constexpr uint32_t kToolOffColor = interfaces::kStateOff; // a tool label or mode button that is off
inline constexpr uint32_t kModeOnColor = interfaces::kModeOn;

class TxCanvas : public QObject, public interfaces::CanvasRoom {
    Q_OBJECT
public:
    explicit TxCanvas(interfaces::Form& form);

    // The editing modes (Text's switch is the text tools' Option1_Click). Each discards
    // what was pending, ends the current tool, marks its own frame and button and leaves
    // exactly one of the four option buttons set; a switch also runs as a routine.
    void Option6_Click(); // "Overlays" (Ctrl+O)
    void Option7_Click(); // "Pic in Pic" (Ctrl+P)
    void Option8_Click(); // "Draw"
    // The sub-options of Pic in Pic exclude each other; either one enters Pic in Pic.
    void Check18_Click(); // "Follow Mouse"
    void Check19_Click(); // "4 pics in 1" (Ctrl+X)
    // The tool toggles: each arms or disarms its tool (back colour 255 / 49344) and
    // clears what conflicts with it. The fill toggles are also the routines that switch
    // a fill mode off.
    void Label24_Click(); // "Crop"
    void Label29_Click(); // "Fix Color"
    void Label32_Click(); // "Pattern Fill" (Ctrl+F)
    void Label38_Click() override; // "Color Fill" (Ctrl+C)
    void Label73_Click(); // "Rem noise  lines"
    void HScroll1_Change(); // draw thickness
    // "SET": commits the pending text, shape, overlay, picture-in-picture, quarter or
    // drawing into the TX picture and, on most roads, the engine's TX buffer. Also the
    // commit routine other handlers call. The press before it keeps the TX picture for
    // Follow Mouse.
    void Command47_MouseDown(int button, int shift, double x, double y);
    void Command47_Click();
    // "OOPS!!": takes the last change back; pressed again, brings it back.
    void Command31_Click();
    // "Undo", and the routine that ends whatever tool or element is in progress.
    void Command12_Click() override;
    // Opens and closes the picture-adjust panel over the TX picture (on the RX tab over
    // the received picture); every press first closes the browser, crop and header panels.
    void Command13_Click() override;
    // The finishing redraw of the text's style, shadow and outline after the size, move
    // and rotate buttons: a quarter of a second after the tick, unless a button is held
    // again by then.
    void Timer2_Timer();
    // The pending overlay or picture-in-picture drawn again from Image6 at its size,
    // place, angle and flags, in the frame picture with "Border" in Pic in Pic. Nothing
    // happens outside those two modes, with nothing pending or while a render runs (the
    // hourglass).
    void UpdatePic();
    void Check3_Click(); // "Border": the re-render itself
    void Check9_Click(); // "Smooth": the smoothing bit follows the box, then the re-render
    // "+" and "-": one size step of the pending shape, overlay or text per press, drawn
    // at once; the release lets Timer2 finish the text's effects.
    // The rotate buttons: clockwise and anticlockwise, one turn per press.
    void Command44_MouseDown(int button, int shift, double x, double y);
    void Command46_MouseDown(int button, int shift, double x, double y);
    void Command44_MouseUp(int button, int shift, double x, double y);
    void Command46_MouseUp(int button, int shift, double x, double y);
    void Command6_MouseDown(int button, int shift, double x, double y);
    void Command10_MouseDown(int button, int shift, double x, double y);
    void Command6_MouseUp(int button, int shift, double x, double y);
    void Command10_MouseUp(int button, int shift, double x, double y);
    // The mirror buttons, top to bottom and left to right: the pending element in
    // Overlays and Pic in Pic, the whole TX picture in Text mode.
    void Command28_MouseDown(int button, int shift, double x, double y);
    void Command29_MouseDown(int button, int shift, double x, double y);

    // The current mode's frame highlighted, the other two plain.
    void highlightFrame(platform::ShapeControl* current) override;
    // The other modes' buttons off and `current` green; the thickness box black.
    void modeColours(platform::OptionButton* current) override;

    // The Things list: shapes armed for SET, whole-picture fills, the globe, the test card.
    // Combo1_Click is also the shape drawer that SET and the colour swatches call.
    void Combo1_Click() override;
    void Combo1_Change();
    void Combo1_GotFocus();
    void Combo1_LostFocus();
    // The shape bar beside the TX screen: the ellipse's aspect and the box's height.
    void VScroll4_Change();
    // A press on the RX/TX tab strip: SET goes idle.
    void SSTab1_SetIdle(int button, int shift, double x, double y);

    // The TX screen's press: places the pending overlay or picture-in-picture under the
    // pointer, moves an armed shape, switches Color Fill off, arms the crop, picks Pattern
    // Fill's colour, drags the TX picture itself with the right button (or ends an armed
    // shape), lays an overlay see-through (the Follow Mouse trail's start), starts a
    // freehand stroke in Draw mode and places the text element in Text mode.
    void Picture1_MouseDown(int button, int shift, double x, double y);
    // The pointer moved over the TX screen with the left button held: the freehand pen,
    // the pending overlay dragged, the Follow Mouse trail, the shape preview, the crop
    // rectangle and the text element follow it.
    void Picture1_MouseMove(int button, int shift, double x, double y);
    // The release: places the pending overlay or the dragged call sign at the pointer,
    // crops the TX picture to the rectangle from the press, repairs a noise line in Draw
    // mode, and draws the text's shadow and outline again.
    void Picture1_MouseUp(int button, int shift, double x, double y);
    // Drag feedback over the TX screen: the dragged control's icon.
    void Picture1_DragOver(QWidget* source, double x, double y, int state);
    // Every drop on the TX screen: texts, header boxes, fills, overlays, whole pictures.
    void Picture1_DragDrop(QWidget* source, double x, double y);
    // Picture files dropped from the desktop: the first one becomes the pending element,
    // a "4 pics in 1" quarter or the whole TX picture by the fit mode.
    void Picture1_OLEDragDrop(const QStringList& files, int button, int shift, double x, double y);
    // The received FSK identification dragged as text (Text mode only).
    void Label56_MouseDown(int button, int shift, double x, double y);

    // Pattern Fill's pass: every pixel of the drawing colour (fontRecord element 7) takes
    // Picture2's pixel at its place, or fillColour while sharedCounter is 201, below the
    // header canvas's rows while a header is made. Image13 holds the picture from before,
    // Image14 the one after; the tool is off afterwards.
    void patternfill();
    // The two colours mixed per component at blendPercent / blendRest.
    quint32 blendcolor(quint32 colourA, quint32 colourB) const;
    // SET, then the committed element mixed with the picture from before it over the
    // element's box and a margin; in Text and Draw mode only the commit of what is drawn.
    void blendpicture();
    // The blend slider (in tenths) and "%Blend >".
    void HScroll7_Change();
    void HScroll7_Scroll();
    void Label14_Click();
    // "Make overlay": the figure outlined with the pen, scaled to fill the screen on a
    // near-black surround, becomes the TX picture.
    void Label30_MouseDown(int button, int shift, double x, double y);
    // "Overlay RX>TX": the first press shows the received picture to outline, the second
    // lays the outlined area over the TX picture as a pending whole-screen overlay.
    void Label34_MouseDown(int button, int shift, double x, double y);

    // The committed TX picture into the engine's TX buffer, over the current mode's
    // picture size; a failing engine call is logged and leaves the buffer as it was.
    void pushTxPicture() override;
    // SET's state and the TX picture's holders (CanvasRoom).
    void chooseDrawMode() override;
    void leaveOverlayModes() override;
    void clearPicInPicOptions() override;
    void tickFourPicsInOne() override;
    void markElementPending() override;
    void markNothingPending() override;
    void toolOff(Tool tool) override;
    void commitTxScreen() override;
    void setTxPicture(const QImage& picture) override;
    void keepTakeBackCopy() override;
    void keepChangedCopy() override;
    void keepScreenAsClean() override;
    void keepCommittedAsClean() override;
    void setCleanPicture(const QImage& picture) override;
    void restoreCleanPicture() override;
    // The pending overlay or picture-in-picture from Picture3 onto Picture1's persistent
    // layer, scaled, turned and keyed by the placement state below; `addend` is added to
    // rotateFlags (0 / 1 while pending in Pic in Pic / Overlays, 2 / 3 at the commit).
    void drawElement(int addend);
    // The overlay held in Picture2 drawn see-through onto the TX screen at the element's
    // corner, scaled to the element, its corner colour left out; nothing is committed.
    void turntransparent() override;

    // The drag in progress and the element being placed (CanvasRoom).
    int dragSourceCode() const override { return dragSource; }
    void setDragSource(int code) override { dragSource = code; }
    int draggedHeaderBox() const override { return headerBoxDragged; }
    void setDraggedHeaderBox(int box) override { headerBoxDragged = box; }
    double overlayWidth() const override { return overlayScale; }
    void setOverlayWidth(double width) override { overlayScale = width; }
    float elementX() const override { return textX; }
    float elementY() const override { return textY; }
    void setElementX(float x) override { textX = x; }
    void setElementY(float y) override { textY = y; }
    double elementAngle() const override { return overlayAngle; }
    void setElementAngle(double degrees) override { overlayAngle = degrees; }
    int mouseState() const override { return txMouseState; }
    void setMouseState(int state) override { txMouseState = state; }
    bool shapeChosen() const override;
    void setPatternFillColour(qint32 colour) override { fillColour_ = colour; }
    QString setAsideDrawingColour() const override { return savedColor; }
    void setShadowStepMode(qint32 mode) override { stepModeColour = mode; }
    platform::RandomSource& colourDraws() override { return random_; }
    // The tool values the start-up gives: shape size 100, aspect 1/2, blend half and half,
    // nothing drawn freehand; and turned elements drawn smooth (the start-up's last step).
    void startToolDefaults();
    void smoothTurnedElements() { rotateFlags_ += kSmoothBit; }
    // The rotation service's flags for the pending element: 1 keyed, 2 smooth, &H40000 /
    // &H80000 mirrored.
    int32_t rotateFlags() const { return rotateFlags_; }
    void setRotateFlags(int32_t flags) { rotateFlags_ = flags; }
    // The pending overlay is a whole-screen see-through one (a frame with a flat middle).
    bool seeThroughOverlay() const { return transparentOn_ == 1; }
    void setSeeThroughOverlay(bool on) { transparentOn_ = on ? 1 : 0; }
    // A size or rotate button is held (its steps repeat).
    bool buttonRepeating() const { return repeatAction_ == 1; }
    void setButtonRepeating(bool held) { repeatAction_ = held ? 1 : 0; }
    // The armed shape: the radius of ellipse and circle, the box's width; the ellipse's
    // height over its width.
    double shapeSize() const { return shapeSize_; }
    void setShapeSize(double size) { shapeSize_ = size; }
    double shapeAspect() const { return shapeAspect_; }
    // The blend's weights in percent: of the element and of the picture under it.
    int blendPercent() const { return blendPercent_; }
    int blendRest() const { return blendRest_; }
    void setBlendWeights(int percent, int rest)
    {
        blendPercent_ = percent;
        blendRest_ = rest;
    }
    // The TX picture kept aside between the two presses of "Overlay RX>TX".
    void setKeptTxPicture(const QImage& picture) { keptTxPicture = picture; }
    // The box round the freehand drawing; empty is top kTxHeight, bottom 0, left kTxWidth,
    // right 0.
    struct Extent {
        double top;
        double bottom;
        double left;
        double right;
    };
    Extent drawnExtent() const { return {drawnExtentTop, drawnExtentBottom, drawnExtentLeft, drawnExtentRight}; }
    void setDrawnExtent(const Extent& e)
    {
        drawnExtentTop = e.top;
        drawnExtentBottom = e.bottom;
        drawnExtentLeft = e.left;
        drawnExtentRight = e.right;
    }
    // The colour Pattern Fill's pick took from the TX screen.
    qint32 patternFillColour() const { return fillColour_; }
    // Where the Follow Mouse trail of a picture-in-picture stands.
    double trailX() const { return trailX_; }
    double trailY() const { return trailY_; }
    // The shadow colour box's step mode as the settings carry it (255 on).
    qint32 shadowStepMode() const { return stepModeColour; }
    bool shadowStepModeOn() const { return stepModeColour == qint32(interfaces::kStateOn); }
    // The drawing colour put aside while Fix Color is on, as Fix Color puts it aside.
    void putAsideDrawingColour(const QString& colour) { savedColor = colour; }

protected:
    // Watches the tab strip's presses.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Command12_Click has run (the current tool was ended).
    void toolEnded();

private:
    void resetDrawnExtent();
    // Ends Overlays or Pic in Pic and the fill tools on the way into those modes.
    void leaveForOverlays();
    // The armed shape of Combo1's text drawn centred on (x, y); false for other texts.
    bool drawShape(double x, double y, bool boxInDrawingColour);
    void widenDrawnExtentForShape(double x, double y);
    void moveShapePreview(double x, double y);
    void wholePicturePass(const QString& item);
    void globe();
    // The commit of a whole-picture item: committed, copied, pushed to the engine.
    void thingCommitTail();
    void textDrop(QWidget* source, const QString& text, double x, double y);
    // The dragged header box painted at the top (drop above row 200) or the bottom,
    // committed at once and remembered as the header.
    void headerDrop(double y);
    void patternFillDrop(double x, double y);
    void endVerticalText();
    // The fill colour set to what the screen stores for `colour`, through pixel (0, 0).
    void deviceFillColour(quint32 colour);
    // Everything outside the outline drawn in the drawing colour takes that colour.
    void cutOutFlood();
    // The area of pixel (0, 0)'s colour round it becomes near-black.
    void surroundFlood();
    void colorFillDrop(double x, double y);
    void wholePictureDrop(double x, double y);
    void desktopElementDrop(const QImage& picture, double x, double y);
    void desktopQuarterDrop(const QImage& picture, double x, double y);
    void desktopPictureDrop(const QImage& picture);
    // A picture dropped in Overlays or Pic in Pic: placed, loaded into Image6 and drawn as
    // the pending element, or handed to the Follow Mouse and "4 pics in 1" road.
    void overlayDrop(double x, double y);
    void centredElement();
    // Paints the element into Picture3's corner at its size (growing the buffer to hold
    // it), inside the frame picture with "Border" in Pic in Pic.
    void paintElement();
    // The render under the hourglass that the caller has set: the element wiped from the
    // screen, painted and drawn again over the picture; the pointer back to the default.
    void renderElement();
    // The element painted and drawn again centred on (x, y), as a click places it.
    void placeElementAt(double x, double y);
    // Picture1_MouseDown's presses with the right button and in the overlay modes.
    void rightPressOnTxScreen();
    void layOverlayAt(double x, double y);
    void followMouseTrail(double x, double y);
    void textFollows(double x, double y);
    void cropRubberBand(double x, double y);
    // The text element printed at (x, y) with its shadow and outline, or its type again.
    void placeTextAt(double x, double y);
    void cropRelease(double x, double y);
    void noiseLineRepair(int button, double y);
    void sizePress(bool enlarge);
    void overlayStep(bool enlarge);
    void textStep(bool enlarge);
    void sizeRelease();
    void rotatePress(bool clockwise);
    void mirrorPress(int32_t bit);
    void subOptionDrop(double x, double y);
    // The see-through frame overlay: the overlay stretched over the whole screen, its
    // centre colour letting the TX picture through.
    void seeThroughFrameDrop();
    // Image6's picture stretched over the whole of Picture2 (its persistent layer on).
    void overlayIntoPicture2();
    // The whole-screen overlay of Picture2 laid over the TX screen with the centre colour
    // left out (the commit's and the drop's masked copy).
    void blitSeeThroughOverlay();
    // SET's last step on the roads that commit an element.
    void endingE();
    // A call sign or identification text waiting as an element is no longer dragged: the
    // TX picture is the drag source again and both texts carry the neutral icon.
    void endTextDrag();
    // SET's roads (Command47_Click) and the steps they share.
    bool commitWithoutElement(platform::StepRunner& steps);
    void commitShape(platform::StepRunner& steps);
    void commitOverlay(platform::StepRunner& steps);
    void commitDrawing(platform::StepRunner& steps);
    void commitPicInPic(platform::StepRunner& steps);
    void commitText(platform::StepRunner& steps, bool sending);
    void commitScreen(platform::StepRunner& steps);
    void commitDrawn(platform::StepRunner& steps, const std::function<void()>& draw);
    void elementCommitted(bool focusText);
    quint32 lighterColour(quint32 chosen);
    bool makingHeader() const;

    static constexpr int32_t kSmoothBit = 2; // of rotateFlags: smooth turning
    int32_t rotateFlags_ = 0;
    int transparentOn_ = 0;       // 1 while the overlay is a whole-screen transparent one
    int repeatAction_ = 0;        // 1 while a size or rotate button is held
    double shapeSize_ = 0;
    double shapeAspect_ = 0;
    int shapeScrollLast = 0;
    int blendPercent_ = 0;
    int blendRest_ = 0;
    // The TX picture between the two presses of "Overlay RX>TX". A holder of its own: the
    // picture buffers are emptied by the strip's loader when a picture comes in meanwhile.
    QImage keptTxPicture;
    double drawnExtentTop = 0;
    double drawnExtentBottom = 0;
    double drawnExtentLeft = 0;
    double drawnExtentRight = 0;
    qint32 fillColour_ = 0;      // patternfill paints it while sharedCounter is 201
    double trailX_ = 0;
    double trailY_ = 0;
    qint32 stepModeColour = 0;   // 255 while the shadow colour box's step mode is on
    // The drawing colour (fontRecord element 7) and, as decimal text, the TX screen's fore
    // colour, put aside while Fix Color is on.
    QString savedColor;
    QString foreColourBeforeFix;
    quint32 foreColourBeforeFill = 0; // the TX screen's fore colour, put aside while Color Fill is on
    // The draws of the committed text's colour variation (tests seed them through
    // colourDraws).
    platform::RandomSource random_;
    // The operator's text style put aside as text by the tools that borrow the TX screen's
    // font (the stamps): 3 the font size, 4 BkGnd, 6 Outline, 7 the font name, 8 the
    // fore colour; 1 the drawing colour (fontRecord element 7) while Pattern Fill and the
    // cut-outs borrow it.
    QString textStyleRecord[9];

    // The drag in progress and the element being placed.
    int dragSource = dragNone;
    int headerBoxDragged = 0;     // 4 to 12 while that header box is dragged
    float textX = 0;              // the element's position on the TX picture
    float textY = 0;
    double overlayScale = 0;      // width of the pending overlay; its height is 4/5 of it
    double overlayAngle = 0;      // overlay rotation in degrees (text rotation in Text mode)
    int txMouseState = 0;         // 101 while a crop rectangle is drawn

    interfaces::Form& form_;
    bool redrawWaiting_ = false; // Timer2's tick waits for its finishing redraw
};

} // namespace canvas
