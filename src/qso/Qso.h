#pragma once
// Headers, QSL block, call-sign box, log and mug shots.

#include <QObject>
#include <QString>
#include <QVariant>

namespace shell { class FormMain; }
namespace platform { class CommandButton; }

namespace qso {

class Qso : public QObject {
    Q_OBJECT
public:
    explicit Qso(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void makeheader16_Click(); // menu "Make Header small"
    void makeheader_Click(); // menu "Make Header large"
    void Text3_Change(); // the call-sign box: log look-up and mug shot
    // The header load buttons "load HDR lge" / "load HDR sml": "Exit" while their boxes
    // are shown, and then their click closes them. Loading a header comes with the
    // header tools; as far as the browser needs them they open and close the boxes' panel.
    void Command35_Click();
    void Command37_Click();
    // "DONE" of header making: the header boxes panel closes and header making ends.
    void Command36_Click();
    void Check2_Click(); // "HdrON"
    // Paints the selected header box over the top or bottom band of the TX picture,
    // commits it, renews Image6 and pushes the picture to the engine; nothing at all while
    // "HdrON" is unticked or no header is selected.
    void ShowHeaders();
    // The call sign dragged as text (Text mode only).
    void Text3_MouseDown(int button, int shift, double x, double y);
    // The mug shot dragged as a picture.
    void Image7_MouseDown(int button, int shift, double x, double y);
    // Header box `number` (4 to 12) pressed: it is the box dragged, and outside header
    // making the drag starts.
    void headerBoxMouseDown(int number, int button);
    // The dragged header box's cursor: drop taken, or only carried.
    void headericonon();
    void headericonoff();

    // The log, read whole at start-up, and what the look-ups search.
    QString logText;
    QString logTextUpper;
    double logChunkLength = 0;
    // Station and header values the settings carry.
    QString stationRecord[6]; // 2 call sign, 3 frequency or band, 4 report, 5 "LCL"/"UTC"
    QVariant headerFlag;
    QVariant headerNumber;    // 4 to 21
    QVariant utcOffset;       // hours; 0.5 is 30 minutes
    quint32 headerBackColor = 0;

private:
    void headerLoadButton(platform::CommandButton* button, const QString& caption);
    shell::FormMain& form_;
};

} // namespace qso
