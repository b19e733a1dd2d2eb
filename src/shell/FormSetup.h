#pragma once
// The setup dialog "Setup Options": the station data (call sign, offset of local time
// from UTC, the time-zone word), the auto-save settings of received pictures (folder,
// most files kept, JPEG quality) and the engine's option boxes. Modeless: the main
// window and its engine timer keep running while it is open.
//
// The engine keeps three option values of its own, the receive word, the transmit word
// and the noise-filter (LMS) mode; the program holds no copy. The dialog mirrors them in
// 29 boxes: each single bit has a box, each field has one box per value (the first adds
// 0), and the boxes of a field (and the three LMS boxes) are exclusive. SET composes the
// values from the boxes and sends them; CheckRxTxSettings reads them back into the boxes.

#include <QWidget>

#include <cstdint>

namespace platform {
class CheckBox;
class CommandButton;
class Label;
class OptionButton;
class TextBox;
} // namespace platform

namespace shell {

class FormMain;

class FormSetup : public QWidget {
    Q_OBJECT
public:
    explicit FormSetup(FormMain& form);

    // --- station data -----------------------------------------------------------------
    platform::Label* Label1 = nullptr;         // "Enter Your Callsign"
    platform::TextBox* Text1 = nullptr;        // own call sign, 20 characters
    platform::Label* Label2 = nullptr;         // "Enter Offset +-hrs   30mins = 0.5"
    platform::TextBox* Text2 = nullptr;        // hours between local time and UTC
    platform::OptionButton* Option1 = nullptr; // "LCL"
    platform::OptionButton* Option2 = nullptr; // "UTC"
    // --- auto-save of received pictures -------------------------------------------------
    platform::Label* Label3 = nullptr;         // "Enter Auto Save Directory"
    platform::TextBox* Text3 = nullptr;        // the folder, 40 characters
    platform::Label* Label4 = nullptr;         // "Enter Max Number Auto Save Files"
    platform::TextBox* Text4 = nullptr;        // most files kept
    platform::Label* Label7 = nullptr;         // "Enter Auto Save JPG compression (1--99)"
    platform::TextBox* Text5 = nullptr;        // JPEG quality
    // --- headings -----------------------------------------------------------------------
    platform::Label* Label5 = nullptr;         // "------TX Options----------"
    platform::Label* Label6 = nullptr;         // the rule with "OPTIONS" in it
    // --- the engine's options (Check1 to Check26, Check28, Check29) ---------------------
    platform::CheckBox* Check1 = nullptr;  // "FSK ID RX"              RX &H1
    platform::CheckBox* Check2 = nullptr;  // "AFC"                    RX &H2
    platform::CheckBox* Check3 = nullptr;  // "LMS Noise Smoothing"    RX &H4 and LMS mode 0
    platform::CheckBox* Check4 = nullptr;  // "Auto-Restart"           RX &H8
    platform::CheckBox* Check5 = nullptr;  // "Auto-Stop"              RX &H10
    platform::CheckBox* Check6 = nullptr;  // "Auto-Resync"            RX &H20
    platform::CheckBox* Check7 = nullptr;  // "Auto-Slant"             RX &H40, enabled with an RX buffer
    platform::CheckBox* Check8 = nullptr;  // "Auto-Clear"             RX &H80
    platform::CheckBox* Check9 = nullptr;  // "High Accuracy Sync OFF" sync 0
    platform::CheckBox* Check10 = nullptr; // "Initial Sync Level 1"   sync &H10000
    platform::CheckBox* Check11 = nullptr; // "Initial Sync Level 2"   sync &H20000
    platform::CheckBox* Check12 = nullptr; // "RX Buffer OFF"          buffer 0
    platform::CheckBox* Check13 = nullptr; // "RX Buffer RAM"          buffer &H100000
    platform::CheckBox* Check14 = nullptr; // "RX Buffer File"         buffer &H200000
    platform::CheckBox* Check15 = nullptr; // "Demod PLL"              demodulator 0
    platform::CheckBox* Check16 = nullptr; // "Demod Zero-Crossing"    demodulator &H1000000
    platform::CheckBox* Check17 = nullptr; // "Demod Hilbert TF"       demodulator &H2000000
    platform::CheckBox* Check18 = nullptr; // "DSP Filter OFF"         filter 0
    platform::CheckBox* Check19 = nullptr; // "FSK ID TX"              TX &H1
    platform::CheckBox* Check20 = nullptr; // "CW ID TX"               TX &H2
    platform::CheckBox* Check21 = nullptr; // "Loopback OFF"           loopback 0
    platform::CheckBox* Check22 = nullptr; // "Loopback Internal"      loopback &H10000
    platform::CheckBox* Check23 = nullptr; // "Loopback External"      loopback &H20000
    platform::CheckBox* Check24 = nullptr; // "DSP Filter BROAD"       filter &H10000000
    platform::CheckBox* Check25 = nullptr; // "DSP Filter SHARP"       filter &H20000000
    platform::CheckBox* Check26 = nullptr; // "DSP Filter VERY SHARP"  filter &H30000000
    platform::CheckBox* Check28 = nullptr; // "LMS Auto-Notch (fast)"  LMS mode 1
    platform::CheckBox* Check29 = nullptr; // "LMS Auto-Notch (slow)"  LMS mode 2
    // "Audio Anounce Mode": the transmit button speaks an announcement first. Not shown
    // in the dialog; its value comes from the settings file.
    platform::CheckBox* Check27 = nullptr;
    // "Tag saved RX pics with FSKID---Mode---Date": nothing reads or keeps it.
    platform::CheckBox* Check30 = nullptr;
    platform::CommandButton* Command1 = nullptr; // "SET"
    platform::CommandButton* Command3 = nullptr; // "More Vareror Engine Setup"

    // Box n (1 to 30); null for any other number.
    platform::CheckBox* check(int n) const;

    // 1 once the auto-save folder box has changed since the last SET; the end of a
    // received picture then moves the strip to its first page after each auto-save.
    int autoSaveDirEdited = 0;

    // --- handlers -------------------------------------------------------------------------
    void Text1_Change();            // the call sign: station record and the engine's FSK ID at once
    void Option1_Click();           // zone word "LCL"
    void Option2_Click();           // zone word "UTC"
    void Text3_Change();            // the folder box changed
    void Text3_KeyPress(int& keyAscii);
    void Text4_Change();            // the maximum takes effect at once
    // The click of a box of an exclusive group (the sync, RX buffer, demodulator, DSP
    // filter, loopback and LMS groups): a tick clears the others of its group.
    void groupBoxClick(int n);
    void Command1_Click();          // SET
    void Command3_Click();          // "More Vareror Engine Setup"

    // Reads the LMS mode, the receive word and the transmit word back from the engine
    // into the boxes, each box set as if clicked.
    void CheckRxTxSettings();

    // The words as the boxes compose them: each ticked box adds its value (a greyed box
    // adds nothing). Field values are added, not combined bit by bit.
    int32_t composeRxControlWord() const;
    int32_t composeTxControlWord() const;

    // The Setup menu's filling of the boxes from the shared values, after the dialog is
    // shown: call sign, offset, zone, folder, maximum and quality, then the call-sign box
    // has the focus with the caret at its end.
    void fillFromSettings();

    // The texts SET shows.
    static const QString QualityRefused;
    static const QString NoSuchFolder;

private:
    void buildControls();
    void connectHandlers();
    // Sends the three option values from the boxes: receive word, transmit word, then the
    // LMS mode of each ticked LMS box (none ticked: the engine keeps its mode).
    void sendEngineOptions();

    FormMain& form_;
};

} // namespace shell
