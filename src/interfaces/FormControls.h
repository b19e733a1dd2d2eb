#pragma once
// The main window's controls by their designer names, as the rooms reach them. The window
// (shell::FormMain) builds them and fills these pointers; a control's comment says what it
// shows. The lookups at the end find a control by the number the program uses for it.

class QAction;
class QMenu;
class QGroupBox;
class QTabWidget;
class QWidget;

namespace platform {
class CheckBox;
class ComboBox;
class CommonDialog;
class CommandButton;
class Label;
class ImageBox;
class LineControl;
class OptionButton;
class Picbuf;
class DirListBox;
class DriveListBox;
class FileListBox;
class PictureBox;
class ScrollBar;
class ShapeControl;
class TextBox;
class VbTimer;
} // namespace platform

namespace interfaces {

struct FormControls {
    // --- menu bar ---------------------------------------------------------------
    QMenu* file = nullptr;              // "File"
    QAction* loadpic = nullptr;         //   "Load Picture to TX"
    QAction* copyrx = nullptr;          //   "Copy RX Image"
    QAction* copye = nullptr;           //   "Copy TX Image"
    QAction* savepic = nullptr;         //   "Save TX  Picture"
    QAction* selectsource = nullptr;    //   "Twain Select Source"
    QAction* acquire = nullptr;         //   "Twain Acquire"
    QMenu* fonts = nullptr;             // "Fonts/Colors"
    QAction* savefontandcolor = nullptr;
    QAction* savecolor = nullptr;       //   an instruction only, no handler
    QMenu* header = nullptr;            // "Header"
    QAction* makeheader16 = nullptr;    //   "Make Header small"
    QAction* makeheader = nullptr;      //   "Make Header large"
    QAction* copypaste = nullptr;       // "Setup"
    QAction* mulmed = nullptr;          // "MultiMedia"
    QAction* camera = nullptr;          // "Camera"
    QMenu* help = nullptr;              // "Help"
    QAction* helpp = nullptr;           //   "Help"
    QAction* about = nullptr;           //   "About"
    QAction* exits = nullptr;           // "Exit"

    // --- the RX/TX tabs and their screens --------------------------------------
    QTabWidget* SSTab1 = nullptr;       // 0 "RX Full", 1 "TX", 2 "RX True"
    platform::PictureBox* Picture18 = nullptr; // RX picture scaled to 640 x 512
    platform::PictureBox* Picture1 = nullptr;  // the TX screen, 640 x 512
    platform::PictureBox* Picture22 = nullptr; // RX picture at its own size
    platform::LineControl* Line1 = nullptr;    // TX progress, red: the line generated
    platform::LineControl* Line2 = nullptr;    // TX progress, green: the line played

    // --- engine controls --------------------------------------------------------
    platform::PictureBox* Picture15 = nullptr; // tuning display
    platform::PictureBox* Picture16 = nullptr; // spectrum display A
    platform::PictureBox* Picture17 = nullptr; // spectrum display B
    platform::CommandButton* Command3 = nullptr;  // "TX"
    platform::CommandButton* Command1 = nullptr;  // "RX"
    platform::CommandButton* Command7 = nullptr;  // "Force RX"
    platform::CommandButton* Command45 = nullptr; // "RE Sync"
    platform::CommandButton* Command11 = nullptr; // "Fix Slant this Picture only"
    platform::CommandButton* Command48 = nullptr; // tone button, caption the frequency
    platform::ComboBox* Combo2 = nullptr;         // TX mode list
    platform::Label* Label37 = nullptr;           // RX mode name
    platform::Label* Label56 = nullptr;           // received FSK identification
    platform::CheckBox* Check1 = nullptr;         // "AutoRX"
    platform::CheckBox* Check4 = nullptr;         // "RxMon"
    platform::CheckBox* Check7 = nullptr;         // "TX=RX"
    platform::CheckBox* Check8 = nullptr;         // "A-Save"
    platform::CheckBox* Check11 = nullptr;        // "Notch"
    platform::CheckBox* Check12 = nullptr;        // "Sp FFT"
    platform::CheckBox* Check25 = nullptr;        // "Sp FM"

    // --- editing modes and the tool toggles of the TX screen ------------------------
    // Text and Draw sit on the window, Overlays and Pic in Pic in Frame4: two groups of
    // option buttons that do not exclude each other, so every mode switch clears the
    // other pair itself. A tool label is on while its back colour is 255.
    platform::OptionButton* Option1 = nullptr;    // "Text"
    platform::OptionButton* Option8 = nullptr;    // "Draw"
    QGroupBox* Frame4 = nullptr;                  // the Overlays and Pic in Pic tools
    platform::OptionButton* Option6 = nullptr;    // "Overlays"
    platform::OptionButton* Option7 = nullptr;    // "Pic in Pic"
    platform::CheckBox* Check9 = nullptr;         // "Smooth"; "OFF" while the element is too large
    platform::CheckBox* Check19 = nullptr;        // "4 pics in 1"
    platform::ScrollBar* HScroll7 = nullptr;      // the blend weight in tenths, 1 to 10
    platform::Label* Label14 = nullptr;           // "%Blend >"
    // The frames round the tool groups; the current mode's is highlighted.
    platform::ShapeControl* Shape1 = nullptr;     // Draw tools
    platform::ShapeControl* Shape2 = nullptr;     // Text tools
    platform::ShapeControl* Shape3 = nullptr;     // Overlays and Pic in Pic tools
    platform::Label* Label24 = nullptr;           // "         Crop"
    platform::Label* Label29 = nullptr;           // "Fix Color"
    platform::Label* Label32 = nullptr;           // "Pattern Fill"
    platform::Label* Label38 = nullptr;           // "Color Fill"
    platform::TextBox* Text6 = nullptr;           // the draw thickness, as HScroll1 sets it
    // The text tools' state the toggles read (shown with the text tools).
    platform::Label* Label25 = nullptr;           // "Text Forecolor": back colour = text colour
    platform::Label* Label45 = nullptr;           // "Text Backcolor": back colour = text back colour
    platform::Label* Label31 = nullptr;           // orientation: 255 and "Vertical" for vertical text
    platform::Label* Label34 = nullptr;           // "Overlay RX>TX": 255 between its two presses
    platform::Label* Label30 = nullptr;           // "Make overlay" (Draw mode)
    platform::Label* Label33 = nullptr;           // a note beside "Pattern Fill"; a pattern drop empties it
    platform::ComboBox* Combo3 = nullptr;         // the text type
    // Opens and closes the picture-adjust panel Frame9 (caption-less, beside the TX screen).
    platform::CommandButton* Command13 = nullptr;
    platform::CommandButton* Command38 = nullptr; // "Accept " in Frame9
    platform::CommandButton* Command27 = nullptr; // "Cancel" in Frame9
    platform::Picbuf* PicbufOriginal = nullptr;   // picture buffer: the adjustments' base
    // The adjust tools in Frame9: the one-shot filters, the level slider and what it sets.
    platform::CommandButton* Command39 = nullptr; // "Sharpen"
    platform::CommandButton* Command41 = nullptr; // "Soften"
    platform::CommandButton* Command42 = nullptr; // "Grey"
    platform::CommandButton* Command43 = nullptr; // "Neg"
    platform::CommandButton* Command40 = nullptr; // "Restore Picture"
    platform::OptionButton* optProcessor[3] = {}; // "Brightness" (chosen at start), "Contrast", "Gamma"
    platform::ScrollBar* HScroll6 = nullptr;      // the level, 0 to 100 (Gamma 10 to 100)

    // --- text boxes -----------------------------------------------------------------
    platform::TextBox* Text1 = nullptr;           // the text to place
    platform::TextBox* Text2 = nullptr;           // the message pane, over the tools beside the TX screen
    platform::TextBox* Text3 = nullptr;           // the call sign

    // --- timers -----------------------------------------------------------------------
    platform::VbTimer* Timer1 = nullptr;          // engine polling, 200 ms, runs from creation
    platform::VbTimer* Timer2 = nullptr;          // size/move/rotate redraw, 500 ms, off

    // --- controls the start-up sets: the least of each until its own subsystem fills it --
    platform::TextBox* Text9 = nullptr;           // QSL frequency or band
    platform::TextBox* Text10 = nullptr;          // QSL signal report
    platform::CheckBox* Check13 = nullptr;        // "Underline"
    platform::CheckBox* Check14 = nullptr;        // "Italic"
    platform::CheckBox* Check6 = nullptr;         // "Bold"
    platform::CommandButton* Command21 = nullptr; // font preset 1
    platform::CommandButton* Command25 = nullptr; // font preset 2
    platform::CommandButton* Command23 = nullptr; // font preset 3
    platform::CommandButton* Command24 = nullptr; // font preset 4
    platform::CheckBox* Check2 = nullptr;         // "HdrON"
    platform::CheckBox* Check3 = nullptr;         // "Border"
    platform::ScrollBar* HScroll2 = nullptr;      // strip page, 1 to 5
    platform::TextBox* Text5 = nullptr;           // strip page number
    // Not placed yet (hidden):
    platform::PictureBox* Picture21 = nullptr;    // zoom view
    platform::Picbuf* PicbufVisible = nullptr;    // picture buffer: adjust result, picture writer
    platform::Picbuf* PicbufEdit = nullptr;       // picture buffer: working copy
    platform::CommandButton* Command2 = nullptr;  // log save button
    platform::TextBox* Text4 = nullptr;           // log entry
    platform::TextBox* Text12 = nullptr;          // header-making help
    platform::ScrollBar* HScroll1 = nullptr;      // draw thickness, 1 to 9
    platform::ScrollBar* VScroll3 = nullptr;      // text size step, 0 to 9
    platform::ImageBox* Image6 = nullptr;         // clean TX picture under the element placed
    platform::ImageBox* Image13 = nullptr;        // copy taken before each drop and SET
    platform::ImageBox* Image15 = nullptr;        // the TX picture kept when header making began
    QWidget* Frame9 = nullptr;                    // the picture-adjust panel
    platform::PictureBox* Picture19 = nullptr;    // 640 x 512 copy of the last picture received
    platform::ImageBox* Image1 = nullptr;         // the splash picture
    platform::ImageBox* Image12 = nullptr;        // recent pictures, newest first (in the strip frame)
    platform::ImageBox* Image17 = nullptr;
    platform::ImageBox* Image18 = nullptr;
    platform::ImageBox* Image19 = nullptr;        //   the oldest
    platform::PictureBox* Picture3 = nullptr;     // overlay work buffer; sized to its picture
    platform::CommandButton* Command47 = nullptr; // "SET": back colour 255 while an element waits

    // The palette: eight fixed colours and the custom swatches "C1" to "C4".
    platform::Label* Label1 = nullptr;
    platform::Label* Label2 = nullptr;
    platform::Label* Label3 = nullptr;
    platform::Label* Label4 = nullptr;
    platform::Label* Label5 = nullptr;
    platform::Label* Label6 = nullptr;
    platform::Label* Label7 = nullptr;
    platform::Label* Label8 = nullptr;
    platform::Label* Label9 = nullptr;
    platform::Label* Label10 = nullptr;
    platform::Label* Label11 = nullptr;
    platform::Label* Label12 = nullptr;

    // The one common dialog of the window (open, save, colour, font, printer).
    platform::CommonDialog* CommonDialog1 = nullptr;

    // --- the canvas: SET, take-back, Undo and the copies of the TX picture -----------
    platform::CommandButton* Command31 = nullptr; // "OOPS!!": white while a take-back is possible
    platform::CommandButton* Command12 = nullptr; // "Undo"
    platform::ComboBox* Combo1 = nullptr;         // the Things list; rests at "  Things"
    platform::Label* Label73 = nullptr;           // "Rem noise  lines" (Draw mode)
    // The pending element's size and mirror buttons; they act on the press.
    platform::CommandButton* Command6 = nullptr;  // "+"
    platform::CommandButton* Command10 = nullptr; // "-"
    platform::CommandButton* Command44 = nullptr; // rotate clockwise
    platform::CommandButton* Command46 = nullptr; // rotate anticlockwise
    platform::CommandButton* Command28 = nullptr; // mirror top to bottom (a picture button)
    platform::CommandButton* Command29 = nullptr; // mirror left to right (a picture button)
    platform::CheckBox* Check18 = nullptr;        // "Follow Mouse" (Pic in Pic)
    platform::ScrollBar* VScroll4 = nullptr;      // shape size bar, 0 to 30, hidden
    platform::PictureBox* Picture2 = nullptr;     // work buffer, TX size (640 x 512)
    platform::PictureBox* Picture13 = nullptr;    // fit scratch: sizes itself to its picture
    platform::PictureBox* Picture20 = nullptr;    // scaled copy of a transparent overlay
    platform::ImageBox* Image14 = nullptr;        // second take-back copy
    platform::ImageBox* Image20 = nullptr;        // the frame round a picture-in-picture ("Border")
    // The text element's effect switches, read by the text drops.
    platform::CheckBox* Check15 = nullptr;        // "Outline"
    platform::CheckBox* Check16 = nullptr;        // "BkGnd"
    platform::CheckBox* Check17 = nullptr;        // "Shadow"
    // The outline's and the shadow's own controls, in a row under the effect switches.
    platform::ScrollBar* HScroll4 = nullptr;      // outline swatch 0 to 11 (12 goes round to 0)
    platform::TextBox* Text8 = nullptr;           // the outline colour (its back colour)
    platform::Label* Label47 = nullptr;           // the outline weight: "Fine outline" ...
    platform::ScrollBar* VScroll1 = nullptr;      // shadow depth, 3 to 20
    platform::OptionButton* Option2 = nullptr;    // shadow arrows: +X +Y
    platform::OptionButton* Option3 = nullptr;    //   -X +Y
    platform::OptionButton* Option4 = nullptr;    //   +X -Y
    platform::OptionButton* Option5 = nullptr;    //   -X -Y
    platform::ScrollBar* HScroll5 = nullptr;      // shadow colour: presets 1 to 5, grey ramps 6 and 7
    platform::TextBox* Text13 = nullptr;          // the shadow colour rule: 255 on, 49344 and " Off" off
    platform::Label* Label36 = nullptr;           // "Draw Thickness": also re-applies the text type

    // --- drag sources: the strip, the browser's thumbnails, the mug shot -------------
    // (the recent row, Image12 and Image17 to Image19, is declared above)
    platform::ImageBox* Image2 = nullptr;         // strip slots 1 to 4, top down
    platform::ImageBox* Image3 = nullptr;
    platform::ImageBox* Image4 = nullptr;
    platform::ImageBox* Image5 = nullptr;
    platform::ImageBox* Image21 = nullptr;        // strip slots 5 to 7
    platform::ImageBox* Image22 = nullptr;
    platform::ImageBox* Image23 = nullptr;
    platform::ImageBox* Image7 = nullptr;         // the mug shot
    platform::ImageBox* Image8 = nullptr;         // browser thumbnails 1 to 4
    platform::ImageBox* Image9 = nullptr;
    platform::ImageBox* Image10 = nullptr;
    platform::ImageBox* Image11 = nullptr;
    // The header boxes panel: shown while a header is made (with "DONE" and the help
    // Text12) and while "load HDR lge" / "load HDR sml" offer the boxes.
    QGroupBox* Frame7 = nullptr;
    platform::CommandButton* Command36 = nullptr; // "DONE"
    platform::PictureBox* Picture4 = nullptr;     // large header boxes, 640 x 64
    platform::PictureBox* Picture5 = nullptr;
    platform::PictureBox* Picture6 = nullptr;
    platform::PictureBox* Picture7 = nullptr;     // small header boxes, 640 x 32
    platform::PictureBox* Picture8 = nullptr;
    platform::PictureBox* Picture9 = nullptr;
    platform::PictureBox* Picture10 = nullptr;
    platform::PictureBox* Picture11 = nullptr;
    platform::PictureBox* Picture12 = nullptr;
    // What the strip shows, in Frame1 "Thumbnail Selection ^" beside the recent row, and
    // the strip's trash can (shown for the file categories only).
    QGroupBox* Frame1 = nullptr;
    platform::OptionButton* Option9 = nullptr;    // "Favorites" (chosen at start)
    platform::OptionButton* Option10 = nullptr;   // "Camera"
    platform::OptionButton* Option11 = nullptr;   // "RX Pictures"
    platform::OptionButton* Option12 = nullptr;   // "TX Pictures"
    platform::ImageBox* Image24 = nullptr;        // the strip's trash can

    // --- the picture browser -------------------------------------------------------------
    platform::CommandButton* Command20 = nullptr; // "Load Pic" / "Exit Pic": opens and closes Frame2
    platform::Label* Label70 = nullptr;           // fit modes: "Correct"
    platform::Label* Label71 = nullptr;           //   "Spread  Fill" (chosen at start)
    platform::Label* Label72 = nullptr;           //   "Stretch  Fill"
    platform::CommandButton* Command22 = nullptr; // "Paste": the clipboard's picture onto the TX screen
    platform::CommandButton* Command51 = nullptr; // "RX>TX": the received picture onto the TX screen
    platform::CommandButton* Command26 = nullptr; // "  T X      to   FTP" (left saves, right sets the folder)
    QGroupBox* Frame2 = nullptr;                  // the browser panel, hidden until opened
    platform::DriveListBox* Drive1 = nullptr;
    platform::DirListBox* Dir1 = nullptr;
    platform::FileListBox* File1 = nullptr;
    platform::FileListBox* File2 = nullptr;       // hidden: the strip's and auto-save folders' list
    platform::Label* Label13 = nullptr;           // " >>>> Next 4"
    platform::Label* Label27 = nullptr;           // "<<<< Prev  4"
    platform::Label* Label17 = nullptr;           // "With Crop"
    platform::CommandButton* Command34 = nullptr; // "Exit"
    // The quick-directory buttons Dir 1 to Dir 8.
    platform::CommandButton* Command14 = nullptr;
    platform::CommandButton* Command15 = nullptr;
    platform::CommandButton* Command16 = nullptr;
    platform::CommandButton* Command17 = nullptr;
    platform::CommandButton* Command18 = nullptr;
    platform::CommandButton* Command19 = nullptr;
    platform::CommandButton* Command5 = nullptr;
    platform::CommandButton* Command30 = nullptr;
    // The type filters, by their codes.
    platform::Label* Label15 = nullptr;           // "BMP"
    platform::Label* Label16 = nullptr;           // "GIF"
    platform::Label* Label18 = nullptr;           // "JPG"
    platform::Label* Label19 = nullptr;           // "PCX"
    platform::Label* Label20 = nullptr;           // "PNG"
    platform::Label* Label21 = nullptr;           // "TGA"
    platform::Label* Label22 = nullptr;           // "TIF"
    platform::Label* Label23 = nullptr;           // " All Files"
    platform::Label* Label39 = nullptr;           // the icon count
    platform::Label* Label43 = nullptr;           // "Icons"
    platform::ImageBox* Image16 = nullptr;        // the browser's trash can

    // Buttons of neighbouring panels that the browser closes before it opens: the message
    // pane's (hidden until the pane is laid out), and the header load buttons beside the
    // fit modes.
    platform::CommandButton* Command8 = nullptr;  // "Load Msg" / "Exit  Msg": the message pane
    platform::CommandButton* Command35 = nullptr; // "load HDR lge" / "Exit": large header boxes
    platform::CommandButton* Command37 = nullptr; // "load HDR sml" / "Exit": small header boxes

    // --- the contact log, mug shot, QSL panel and date stamp ------------------------------
    // (Text3, the call-sign box, sits with the engine controls under the received FSK ID;
    // Command2 and Text4 are declared above.)
    platform::Label* Label48 = nullptr;           // "*": the log view, 255 while it is on
    platform::CommandButton* Command9 = nullptr;  // "D": delete the call's record
    platform::Label* Label26 = nullptr;           // "Mug Shot": a press saves the one shown
    platform::Label* Label54 = nullptr;           // " QSL": opens Frame5
    platform::Label* Label53 = nullptr;           // " Date": the date and call stamp
    QGroupBox* Frame5 = nullptr;                  // "Quick Set QSL Details", hidden until opened
    platform::TextBox* Text15 = nullptr;          // the other station's call sign
    platform::Label* Label57 = nullptr;           // "Type RSV in box"
    platform::Label* Label51 = nullptr;           // "Type Callsign in box     Type Freq"
    platform::CommandButton* Command4 = nullptr;  // "QSL at Top"
    platform::CommandButton* Command32 = nullptr; // "QSL at Bottom"
    platform::CommandButton* Command33 = nullptr; // "Cancel"
    platform::PictureBox* Picture14 = nullptr;    // the stamps' panel picture, 250 x 96, hidden

    // Swatch n (1 to 12); null for any other number.
    platform::Label* swatch(int number) const;
    // Header box n (4 to 12); null for any other number.
    platform::PictureBox* headerBox(int number) const;
    // Strip slot, mug shot, browser or recent thumbnail by drag-source code; null for others.
    platform::ImageBox* thumbnailFor(int code) const;
    // Quick-directory button n (1 to 8), filter label by code, fit label 70 to 72; null
    // for any other number.
    platform::CommandButton* quickDirButton(int n) const;
    platform::Label* filterLabel(int code) const;
    platform::Label* fitLabel(int number) const;
};

} // namespace interfaces
