#pragma once
// What other rooms ask of the text tools (text::TextTools).

#include <QString>

#include <cstdint>

namespace interfaces {

class TextRoom {
public:
    // "Text": the editing mode of the text element.
    virtual void Option1_Click() = 0;
    // The Text mode's button is the text tools' to write: set off as another mode comes
    // on (no handler runs); chosen as a handler's assignment does (its click runs only
    // when it was not set); its back colour that of the current mode or of one that is off.
    virtual void leaveTextMode() = 0;
    virtual void chooseTextMode() = 0;
    virtual void showTextModeCurrent(bool current) = 0;
    // The text element drawn at its place; also the routine every redraw runs.
    virtual void drawText() = 0;
    // A striped or graduated text's stripes or gradient drawn over the text.
    virtual void drawStyledText() = 0;
    // "Outline" and "Shadow": also the routines every redraw runs.
    virtual void Check15_Click() = 0;
    virtual void Check17_Click() = 0;
    // "BkGnd" and "Outline" are the text tools' boxes: ticked (1) or not (0) as a handler's
    // assignment does, the box's click running when it changes (a stamp prints without
    // the background and outlined, and then puts both back as they were).
    virtual void setTextBackground(int ticked) = 0;
    virtual void setTextOutline(int ticked) = 0;
    // The text's orientation toggle (horizontal and vertical).
    virtual void Label31_Click() = 0;
    // "Draw Thickness": also re-applies the chosen text type.
    virtual void Label36_Click() = 0;
    // "Load Msg" / "Exit  Msg": opens and closes the message pane.
    virtual void Command8_Click() = 0;
    // The pending element turned one step.
    virtual void rotateclockwise() = 0;
    virtual void rotateanticlockwise() = 0;

    // The drawing colour (fontRecord element 7) as its decimal text: shapes, the pen and
    // the fills draw in it; a tool that borrows it puts the text aside and gives it back.
    virtual QString drawingColour() const = 0;
    virtual void setDrawingColour(const QString& colour) = 0;
    // The text the next print draws; the part of Text1 selected with the mouse let go.
    virtual void setTextToDraw(const QString& text) = 0;
    virtual void clearSelectedText() = 0;
    // A striped or graduated text waits to be drawn over the print.
    virtual bool styledTextWaiting() const = 0;
    virtual void clearStyledTextWaiting() = 0;
    // The text's rotation.
    virtual double textRotation() const = 0;
    virtual void setTextRotation(double angle) = 0;
    // A striped or graduated text is dropped for "Normal Text" in the TX screen's fore
    // colour, its rotation taken back (the fills take the plain text colour).
    virtual void dropStyledText() = 0;
    // The orientation and its controls are the text tools' to write: the text back to
    // horizontal (the label off, "Horiz", the size step bar hidden); the size step bar
    // shown or hidden while the text is vertical (nothing while it is horizontal).
    virtual void horizontalText() = 0;
    virtual void showVerticalSizeBar(bool shown) = 0;
    // `colour` as the text colour: the TX screen's fore colour and its indicator.
    virtual void showTextColour(uint32_t colour) = 0;
    // The text box is the contact log's listing while the log view is on, and only the
    // text tools write it: lent (read-only, its font put aside; the contact room keeps its
    // text), its listing begun (emptied, in the listing's small face), set or added to
    // (the caret at the end), and given back with `text` (its font as it was, writable,
    // the caret at the start). The caret is put at the end of what the box holds when a
    // listing ends, also of the text given back where the view went off during it.
    virtual void lendTextBox() = 0;
    virtual void beginListing() = 0;
    virtual void setListing(const QString& text) = 0;
    virtual void addToListing(const QString& text) = 0;
    virtual void giveTextBoxBack(const QString& text) = 0;
    virtual void textBoxCaretToEnd() = 0;
    // The line step of the last print in pixels; setting it sets the size bar's copy too.
    virtual double textLineStep() const = 0;
    virtual void setTextLineStep(double step) = 0;
    // An overlay was sized or turned since the last SET (SET then re-renders it once);
    // clearing sets the text's edit state back to none, whatever it held.
    virtual bool overlayStepped() const = 0;
    virtual void markOverlayStepped() = 0;
    virtual void clearEditState() = 0;
    // Pattern Fill's colour was picked from the TX screen: the next pass paints that
    // colour; clearing sets the shared counter back to none, whatever it held.
    virtual bool fillColourPicked() const = 0;
    virtual void markFillColourPicked() = 0;
    virtual void clearSharedCounter() = 0;
    // A stamp (QSL block, date stamp) prints with no element pending: the text routines
    // draw meanwhile as if one were; clearSharedCounter ends it.
    virtual void markStampPrinting() = 0;
    // The picture-adjust panel opened: the shared counter takes its mark, which ends a
    // pending fill-colour pick or stamp.
    virtual void markAdjustPanelOpen() = 0;

protected:
    ~TextRoom() = default;
};

} // namespace interfaces
