#pragma once
// The text element's controller: its painter, fonts, presets and the colour palette.

#include "interfaces/TextRoom.h"
#include "platform/drawing/Gdi.h"

#include <QObject>
#include <QString>
#include <QVariant>

namespace interfaces { class Form; }
namespace platform { class CommandButton; class OptionButton; class PictureBox; }

namespace text {

class TextTools : public QObject, public interfaces::TextRoom {
    Q_OBJECT
public:
    explicit TextTools(interfaces::Form& form);

    // Editing mode "Text" (Ctrl+T), also the routine that returns to Text mode: ends
    // Overlays, Pic in Pic and Draw with their tools and what they left drawn, makes a
    // striped or graduated text pending again over the picture as it is, highlights the
    // text tools' frame. While "Overlay RX>TX" is on it enters Draw mode instead.
    void Option1_Click() override;
    void Option1_MouseUp(int button, int shift, double x, double y); // Pattern Fill shown off
    void leaveTextMode() override;
    void chooseTextMode() override;
    void showTextModeCurrent(bool current) override;
    void savefontandcolor_Click(); // menu "Save Font - RT click Font button"
    void Check13_Click(); // "Underline"
    void Check14_Click(); // "Italic"
    void Check6_Click();  // "Bold": also the TX screen's bold font
    // The orientation label: horizontal ("Horizontal", 49344) and vertical ("Vertical",
    // 255, the size step bar shown). It leaves the element pending, the text box's text
    // when none was; with Pattern Fill on it only takes that tool off.
    void Label31_Click() override;
    void horizontalText() override;
    void showVerticalSizeBar(bool shown) override;
    // The size step bar of vertical text: characters 1.0 to 1.9 font sizes apart.
    void VScroll3_Change();
    void fontbutton(); // all four font-preset buttons back to &HC0C0
    // Font preset `slot` (1 to 4) shown chosen: its button green (the others back to
    // &HC0C0), its faces on the text box and on the TX screen (a face never stored is not
    // applied).
    void applyFontPreset(int slot);
    // A press on font preset button `slot` (1 F1 Command21, 2 F2 Command25, 3 F3
    // Command23, 4 F4 Command24), any button: the preset's faces on the text box and the
    // TX screen, the button green, the pending text drawn again; the right button then
    // asks for a font (chooseFont) and stores it in the slot.
    void fontPresetMouseDown(int slot, int button);
    void chooseFont();
    void storeFontPreset(int slot);
    void Font1();
    void Font2();
    void Font3();
    void Font4();
    platform::CommandButton* presetButton(int slot) const;
    // The text box: every change ends the current tool and forgets the selection; a
    // double-click empties it and wipes the pending text; a selection made with the mouse
    // is what the painter prints.
    void Text1_Change();
    void Text1_DblClick();
    void Text1_MouseDown(int button, int shift, double x, double y);
    void Text1_MouseUp(int button, int shift, double x, double y);
    // The message pane's button "Load Msg" / "Exit  Msg": opens and closes the pane
    // beside the TX screen (never together with the browser panel, never while the
    // picture-adjust panel is open).
    void Command8_Click() override;
    // The message pane: a double-click takes the whole message under the caret (messages
    // are separated by lines beginning with "---"), a selection made with the mouse takes
    // the selected characters; either goes into the text box and closes the pane.
    void Text2_DblClick();
    void Text2_MouseUp(int button, int shift, double x, double y);
    // The text box as the contact log's listing (TextRoom).
    void lendTextBox() override;
    void beginListing() override;
    void setListing(const QString& text) override;
    void addToListing(const QString& text) override;
    void giveTextBoxBack(const QString& text) override;
    void textBoxCaretToEnd() override;

    // Prints the text element (textToDraw, or selectedText when there is one) on the TX
    // screen at textX / textY: up to 20 lines, each turned by textAngle and stepped along
    // it, or one character per row in columns for vertical text, with the background box
    // and the multi-coloured cycle. Only while an element is pending (SET red) or a stamp
    // forces it, never over the log view; outside Text mode it ends the current tool
    // instead. textX and textY are as they were afterwards.
    void drawText() override;
    // Prints scratchText_ at textX / textY in the TX screen's font turned by textAngle,
    // bold, italic and underlined by the style boxes; a "Multi Colored Text" character by
    // character, which moves textX / textY along the printed characters.
    void textrotate();
    // The font textrotate prints with: 1.2 pixels per point of the TX screen's font size
    // (the screen's 15 twips per pixel), its face name, the angle, weight 2400 with
    // "Bold", italic and underline from their boxes.
    platform::gdi::LogFont rotatedFont() const;
    // The colour of visible character `c` (1-based) of a "Multi Colored Text": six fixed
    // colours in turn up to the 24th, a random one for every character after it.
    quint32 MultiColourTable(int c);
    // The pending text printed again where it is: the old preview wiped, then the styled
    // text, or the text with its shadow and outline. The handlers that change a property
    // of the element end with it.
    void redrawText();
    // "BkGnd": an opaque box in the back colour behind the text, which is never turned
    // while it is on (the angle is put aside and given back when it goes off).
    void Check16_Click();
    void setTextBackground(int ticked) override;
    void setTextOutline(int ticked) override;
    // The outline: copies of the text one or two pixels round it in the outline swatch's
    // colour (black as 65793), then the text itself at its place. Also the routine every
    // redraw runs; it draws only while an element is pending or a stamp prints.
    void Check15_Click() override; // "Outline"
    void Check15_MouseUp(int button, int shift, double x, double y);
    void HScroll4_Change(); // the outline swatch, 0 to 11 (12 goes round to 0)
    void Label47_Click();   // the weight: "Fine outline", "Thin outline", "Bold outline"
    // The shadow: shadowDepth copies of the text under it, each one unit (font size / 60
    // pixels) nearer the text in the chosen arrow's direction, in the text back colour or
    // the colour rule; then the text and its outline. Also the routine every redraw runs.
    void Check17_Click() override; // "Shadow"
    void Check17_MouseUp(int button, int shift, double x, double y);
    // The arrows Option2 (+X +Y) to Option5 (-X -Y): a click moves the element one unit
    // that way (the shadow's copies take the same steps); the release redraws it.
    void shadowArrowClick(int option);
    platform::OptionButton* shadowArrow(int option) const; // 2 to 5, else none
    void shadowArrowMouseUp();
    bool effectReleaseEnds();
    void VScroll1_Change(); // shadow depth: the square of the bar
    void HScroll5_Change(); // the shadow colour: presets 1 to 5, grey ramps 6 and 7
    void Text13_MouseDown(int button, int shift, double x, double y); // the colour rule on / " Off"
    // The colour rule on, as the settings restore it: Text13 red, showing HScroll5's value
    // without a blank (the bar's own change shows it after two).
    void restoreShadowColourRule();
    // The outline colour box (Text8) in the colour of the outline swatch bar's swatch.
    void showOutlineColour();
    // presetColour from HScroll5's value (1 to 5; the ramps keep it).
    void setPresetColour();
    // The colour of shadow copy i of `depth` (i = depth is the farthest) by the colour rule.
    quint32 shadowCopyColour(int i, int depth) const;
    // The text type list: "Normal Text", "Striped Text", "Graduated Text", "Multi Colored
    // Text"; the choice ends the current tool and draws the text element in that type.
    void Combo3_Click();
    void dropStyledText() override;
    // Re-applies the chosen text type: a striped or graduated text is drawn again over the
    // picture kept from before its first draw (a rotated graduated text is refused).
    void Label36_Click() override;
    // The element drawn as "Striped Text" or "Graduated Text": printed with its shadow and
    // outline, then every pixel of exactly the text colour takes the stripes or the
    // gradient of its line through a masked copy.
    void drawStyledText() override;
    // `target` in 63 bands of its height: 20 in (red, green, blue) (each above 255 drawn as
    // 255), then each component steps 7 towards the TX screen's back colour per band,
    // swinging just above it once within 7. The components are left where they ended.
    void gradientFill(platform::PictureBox& target, int& red, int& green, int& blue, bool topDown);
    // A pending text in Text mode turns 10 degrees clockwise (anticlockwise) within ±90;
    // otherwise a picture turns 22.5 degrees from its unturned copy: the TX picture in
    // Text or Draw mode, the pending overlay or picture-in-picture in their modes. Nothing
    // turns with BkGnd on; vertical, striped and graduated text are refused with a message.
    void rotateclockwise() override;
    void rotateanticlockwise() override;
    // Turns `source` by `angle` radians (negative: clockwise on the screen) about its
    // centre into `destination` about its centre, pixel by pixel.
    static void bmp_rotate(platform::PictureBox& source, platform::PictureBox& destination, float angle);

    // A press on palette swatch `number` (Label1 to Label12), one body for the twelve: in
    // Text mode with a fill tool on, the left button picks the fill colour and drags the
    // swatch to the TX screen (Pattern Fill takes nothing more); a press but with the
    // right button makes the swatch's colour the drawing and text colour, or with Ctrl
    // alone while a header is made the header's background (headercolor); the right
    // button makes it the text back colour. The pending element is drawn again.
    void swatchMouseDown(int number, int button, int shift);
    // The text colour and the text back colour shown: on the TX screen and on their
    // indicators (Label25, Label45); the back colour is also the shadow's and the styled
    // texts' second colour.
    void showTextColour(uint32_t colour) override;
    void showTextBackColour(qint32 colour);
    // C1 to C4 (swatches 9 to 12): the colour dialog sets the swatch.
    void customSwatchDblClick(int number);
    // customColours from the custom swatches (shut-down) and onto them (start-up).
    void gatherCustomColours();
    void applyCustomColours();
    // The shadow direction (2 to 5) from the arrow chosen, for the settings; with none
    // chosen it keeps what it was.
    void gatherShadowDirection();
    // Swatch n's design colour, and the drawing colour a left press records for it (the
    // fixed bright swatches record a shade off their colour, the custom ones their own).
    static quint32 swatchColour(int number);
    static quint32 swatchRecord(int number, quint32 colour);

    // The text element's state that the settings carry and the start-up applies.
    // The font presets, 1 to 28: four presets of seven values, for the text box and for
    // the TX screen.
    QString fontPresetText(int index) const { return fontPresetsText_[index]; }
    void setFontPresetText(int index, const QString& value) { fontPresetsText_[index] = value; }
    QString fontPresetPicture(int index) const { return fontPresetsPicture_[index]; }
    void setFontPresetPicture(int index, const QString& value) { fontPresetsPicture_[index] = value; }
    // The font record, 1 to 19: the text box's and the TX screen's fonts as the settings
    // carry them; element 7 is the drawing colour.
    QString fontRecordEntry(int index) const { return fontRecord_[index]; }
    void setFontRecordEntry(int index, const QString& value) { fontRecord_[index] = value; }
    // 1 to 4: the custom swatches' colours as decimal text.
    QString customColour(int swatch) const { return customColours_[swatch]; }
    void setCustomColour(int swatch, const QString& colour) { customColours_[swatch] = colour; }
    // 1 to 3: the Shadow, Outline and BkGnd boxes as read back; 4 the shadow direction (2 to 5).
    QVariant textOption(int index) const { return textOptionFlags_[index]; }
    void setTextOption(int index, const QVariant& value) { textOptionFlags_[index] = value; }

    // The text's style as the settings carry it (100 underline + 10 italic + 1 bold), and
    // the font preset chosen (0 to 3; empty counts as 0).
    qint16 fontStyleCode() const { return fontStyleCode_; }
    void setFontStyleCode(qint16 code) { fontStyleCode_ = code; }
    QVariant fontPresetSelected() const { return fontPresetSelected_; }
    void setFontPresetSelected(const QVariant& preset) { fontPresetSelected_ = preset; }
    // The shadow's depth, the outline's weight (1 thin, 2 bold), the text's back colour and
    // the shadow colour rule (1 while Text13 is on: the shadow copies take the colour rule).
    QVariant shadowDepth() const { return shadowDepth_; }
    void setShadowDepth(const QVariant& depth) { shadowDepth_ = depth; }
    QVariant outlineWeight() const { return outlineWeight_; }
    void setOutlineWeight(const QVariant& weight) { outlineWeight_ = weight; }
    qint32 textBackColour() const { return textBackColour_; }
    void setTextBackColour(qint32 colour) { textBackColour_ = colour; }
    int shadowColourMode() const { return shadowColourMode_; }
    void setShadowColourMode(int mode) { shadowColourMode_ = mode; }
    // The text the next print draws, and the part of Text1 selected with the mouse ("" when
    // none).
    QString textToDraw() const { return textToDraw_; }
    void clearTextToDraw() { textToDraw_.clear(); }
    QString selectedText() const { return selectedText_; }
    void setSelectedText(const QString& text) { selectedText_ = text; }
    // Line n (1 to 20) of the last print and the top of that printed line or character
    // row (0: not printed).
    QString textLine(int n) const { return textLines_[n]; }
    double lineTop(int n) const { return lineTops_[n]; }
    // The next multi-coloured print takes the table's colours.
    bool multiColourWaiting() const { return multiColourFlag_ == 1; }
    void markStyledTextWaiting() { styledTextPending_ = 1; }
    // The counter several tools share, by what its values mean (the values are the tools'
    // own: the settings and the other rooms know them by these names only).
    enum SharedCounter : int {
        kCounterClear = 0,         // none of the marks below
        kFillColourPicked = 201,   // Pattern Fill's colour was picked from the TX screen
        kAdjustPanelOpen = 255,    // the picture-adjust panel is open
        kStampPrinting = 7270,     // a stamp prints with nothing pending
    };
    SharedCounter sharedCounter() const { return sharedCounter_; }
    void setSharedCounter(SharedCounter value) { sharedCounter_ = value; }
    // The line step of the last print alone (the size bar's copy left as it is), and
    // that copy.
    void setLastLineStep(double step) { textSize_ = step; }
    double textSizeStep() const { return textSizeStep_; }
    // The TX screen's font size as text, taken at start-up and by the size tools.
    void setTextFontSize(const QString& size) { textFontSize_ = size; }
    // What the last edit left (100 an overlay stepped, 400 a style waiting; 0 none).
    int textEditState() const { return textEditState_; }
    void setTextEditState(int state) { textEditState_ = state; }
    // The rotation put aside (restoreTextRotation takes it back).
    double savedTextRotation() const { return savedTextAngle_; }

    // What the TX screen asks of that state (TextRoom).
    QString drawingColour() const override { return fontRecord_[7]; }
    void setDrawingColour(const QString& colour) override { fontRecord_[7] = colour; }
    void setTextToDraw(const QString& text) override { textToDraw_ = text; }
    void clearSelectedText() override { selectedText_.clear(); }
    bool styledTextWaiting() const override { return styledTextPending_ == 1; }
    void clearStyledTextWaiting() override { styledTextPending_ = 0; }
    double textRotation() const override { return textAngle_; }
    void setTextRotation(double angle) override { textAngle_ = angle; }
    // The rotation put aside taken back.
    void restoreTextRotation() { textAngle_ = savedTextAngle_; }
    double textLineStep() const override { return textSize_; }
    void setTextLineStep(double step) override { textSize_ = textSizeStep_ = step; }
    bool overlayStepped() const override { return textEditState_ == kOverlayStepped; }
    void markOverlayStepped() override { textEditState_ = kOverlayStepped; }
    void clearEditState() override { textEditState_ = 0; }
    bool fillColourPicked() const override { return sharedCounter_ == kFillColourPicked; }
    void markFillColourPicked() override { sharedCounter_ = kFillColourPicked; }
    void clearSharedCounter() override { sharedCounter_ = kCounterClear; }
    void markStampPrinting() override { sharedCounter_ = kStampPrinting; }
    void markAdjustPanelOpen() override { sharedCounter_ = kAdjustPanelOpen; }
    static constexpr int kOverlayStepped = 100;    // textEditState after an overlay's size or turn step
    static constexpr quint32 kSelectedPreset = 0xC000; // the chosen font preset's button colour (green)

private:
    QString fontRecord_[20];
    QString fontPresetsText_[29];
    QString fontPresetsPicture_[29];
    QString scratchText_; // the line being printed, with its margins
    QString customColours_[5];
    QVariant textOptionFlags_[5];
    // drawText's phases: the text cut into lines, then printed as columns or as lines.
    int splitTextLines(bool multiColoured);
    void printColumns(int n, bool multiColoured);
    void printLines(int n);
    void closeMessagePane();
    bool styleRefusedInDraw();
    void rotate(bool clockwise);
    double verticalStep() const;

    qint16 fontStyleCode_ = 0;
    QVariant fontPresetSelected_;
    QVariant shadowDepth_;
    QVariant outlineWeight_;
    int shadowColourMode_ = 0;
    qint32 textBackColour_ = 0;
    QString textToDraw_;
    QString selectedText_;
    // The lines of the last print (1 to 20; the QSL block fills them itself), the top of
    // each printed line or of each character row of a vertical text (0 = not printed), and
    // the line textrotate prints.
    QString textLines_[21];
    double lineTops_[21] = {};
    int multiColourFlag_ = 0;     // 1: the next multi-coloured print takes the table's colours
    int scratchIndex_ = 0;        // the character counter of the multi-coloured prints
    int styledTextPending_ = 0;   // 1 while a striped or graduated text waits
    SharedCounter sharedCounter_ = kCounterClear;
    double textSize_ = 0;         // the line step of the last print, in pixels
    double textSizeStep_ = 0;     // textSize as the text size bar VScroll3 shares it
    QString textFontSize_;
    int textEditState_ = 0;
    quint32 presetColour_ = 0xFF;  // the shadow's base colour of HScroll5's presets
    double textAngle_ = 0;          // the text rotation
    double savedTextAngle_ = 0;     // its put-aside copy
    // The text box's face and size put aside while it is the log's listing (0: none kept).
    QString lentFontName_;
    double lentFontSize_ = 0;

    interfaces::Form& form_;
};

} // namespace text
