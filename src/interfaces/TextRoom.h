#pragma once
// What other rooms ask of the text tools (text::TextTools).

namespace interfaces {

class TextRoom {
public:
    // "Text": the editing mode of the text element.
    virtual void Option1_Click() = 0;
    // The text element drawn at its place; also the routine every redraw runs.
    virtual void drawText() = 0;
    // A striped or graduated text's stripes or gradient drawn over the text.
    virtual void drawStyledText() = 0;
    // "Outline" and "Shadow": also the routines every redraw runs.
    virtual void Check15_Click() = 0;
    virtual void Check17_Click() = 0;
    // The text's orientation toggle (horizontal and vertical).
    virtual void Label31_Click() = 0;
    // "Draw Thickness": also re-applies the chosen text type.
    virtual void Label36_Click() = 0;
    // "Load Msg" / "Exit  Msg": opens and closes the message pane.
    virtual void Command8_Click() = 0;
    // The pending element turned one step.
    virtual void rotateclockwise() = 0;
    virtual void rotateanticlockwise() = 0;

protected:
    ~TextRoom() = default;
};

} // namespace interfaces
