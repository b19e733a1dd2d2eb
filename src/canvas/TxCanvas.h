#pragma once
// The TX screen's controller: editing modes, shapes, fills, overlays, SET and undo.

#include <QObject>

namespace shell { class FormMain; }

namespace canvas {

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
    void Command12_Click(); // "Undo", also the routine that ends the current tool
    void Command13_Click(); // closes the TX screen's open panels and ends the current tool
    void Timer2_Timer(); // redraw after the size, move and rotate buttons
    void Check3_Click(); // "Border": the pending overlay with or without its frame picture
    void HScroll1_Change(); // draw thickness

    // The source of the drag in progress (DragSourceCode): every drag source writes it,
    // every drop target reads it; 0 none.
    int dragSource = 0;

    // Tool state that the start-up sets; the canvas's own steps read it.
    bool elementPending = false; // a placed element not committed yet
    int overlayScale = 0;
    int rotateFlags = 0;         // bit 2: smooth rendering of rotated overlays
    int shapeSize = 0;
    double shapeAspect = 0;
    int shapeScrollLast = 0;
    int blendPercent = 0;
    int blendRest = 0;
    int drawnExtentTop = 0;
    int drawnExtentBottom = 0;
    int drawnExtentLeft = 0;
    int drawnExtentRight = 0;

private:
    shell::FormMain& form_;
};

} // namespace canvas
