#pragma once
// The SSTV engine's controller on the main window: the polling tick, the transmit and
// receive buttons, the mode list, the tuning and spectrum displays and the floating RX
// monitor.

#include "interfaces/EngineRoom.h"
#include "platform/services/Engine.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>

class QImage;
class QWidget;

namespace interfaces { class Form; }
namespace platform {
class Picbuf;
class PictureBox;
class StepRunner;
} // namespace platform

namespace engine {

class EngineControl : public QObject, public interfaces::EngineRoom {
    Q_OBJECT
public:
    explicit EngineControl(interfaces::Form& form);
    ~EngineControl() override;
    interfaces::Form& form() const { return form_; }

    // The engine's version text, shown in the title banner and the About box; empty
    // while no engine is bound.
    QString engineVersion() const;

    // The polling tick, every 200 ms. A tick that would start while another one runs
    // (a handler it calls let events run) is skipped.
    void Timer1_Timer();

    void Command3_Click();   // "TX" (F5)
    void Command1_Click();   // "RX" (F9)
    void Command7_Click();   // "Force RX" (F6)
    void Command45_Click();  // "RE Sync"
    void Command11_Click();  // "Fix Slant this Picture only"
    void Command48_MouseDown(int button, int shift, double x, double y); // tone button
    void Command48_MouseUp(int button, int shift, double x, double y);

    void Combo2_Click();     // TX mode list
    void Check1_Click();     // "AutoRX"
    void Check4_Click();     // "RxMon"
    void Check7_Click();     // "TX=RX"
    void Check8_Click();     // "A-Save"
    void Check11_Click();    // "Notch"
    void Check12_Click();    // "Sp FFT"
    void Check25_Click();    // "Sp FM"

    // The notch is placed on either spectrum display by one body.
    void Picture16_MouseDown(int button, int shift, double x, double y);
    void Picture16_MouseMove(int button, int shift, double x, double y);
    void Picture17_MouseDown(int button, int shift, double x, double y);
    void Picture17_MouseMove(int button, int shift, double x, double y);

    // The RX screen takes no drops: one from within the program does nothing, files
    // from the desktop are refused with a message.
    void Picture18_DragDrop(QWidget* source, double x, double y);
    void Picture18_OLEDragDrop(const QStringList& files, int button, int shift, double x, double y);

    // modeWidth and modeHeight := the engine's picture size of rxMode.
    void GetModeImageSize();
    // The modes as numbers; an empty mode counts as 0.
    int txModeNumber() const override;
    int rxModeNumber() const override;

    // The engine binding: the library beside the executable for the program, any
    // function table for tests. Without one every engine call fails.
    platform::Engine& binding() override { return engine_; }
    void setEngine(platform::Engine engine) { engine_ = std::move(engine); }

    // The engine's start inside the main window's load handler; false when there is no
    // engine and the program must end (the message has been shown).
    bool engineStart(platform::StepRunner& steps);
    // The main window's query-unload: deletes the engine and its buffers, then waits
    // about two seconds while window events run. Nothing reaches the engine afterwards.
    void Form_QueryUnload();
    // The TX screen's committed picture into the TX DIB, over (0, 0, width, height); by
    // default the current mode's size. Nothing pending over the picture goes with it.
    void copyTxScreenToDib(int width, int height);
    void copyTxScreenToDib() override { copyTxScreenToDib(modeWidth_, modeHeight_); }
    void targetWholeModePicture() override { dstRect_[0] = 0; dstRect_[1] = 0; dstRect_[2] = modeWidth_; dstRect_[3] = modeHeight_; }
    // An engine DIB drawn through a picture box's device context (into the layers its
    // AutoRedraw says), from the rectangle src to the rectangle dst.
    void drawIntoBox(platform::PictureBox* box, const int32_t* dst, int32_t dib, const int32_t* src);
    // Writes a finished picture as a dated JPEG into a folder and prunes the folder's
    // older pictures towards `keep`, at most `mostDeletions` of them; only after the
    // picture was written (a failed write throws and deletes nothing).
    void archivePicture(const QImage& picture, const QString& folder, int keep, int mostDeletions);

    // The clock a finished picture is named by (the local time); tests stand in one.
    void setLocalTime(std::function<QDateTime()> clock) { localTime_ = std::move(clock); }
    // The text the announcement speaks before a picture in the given mode.
    QString announcementText(int mode) const;

    // Engine buffers, 0 until created; kept after deletion, never used again: the TX
    // picture's, the received picture's, the tuning display's and the two spectrum
    // displays'. Tests stand in a TX buffer of their own.
    int32_t txDib() const { return txDib_; }
    void setTxDib(int32_t dib) { txDib_ = dib; }
    int32_t rxDib() const { return rxDib_; }
    int32_t tuneDib() const { return tuneDib_; }
    int32_t specDibA() const { return specDibA_; }
    int32_t specDibB() const { return specDibB_; }
    // A handler left an engine reply behind (the start-up's last steps clear it).
    bool engineReplyLeft() const { return engineResult_ != 0; }
    void clearEngineReply() { engineResult_ = 0; }
    // The spectrum's tuning word read from the engine, then set to the FFT display.
    void readTuningWord();
    void tuneForFftSpectrum();
    // The picture size of the current mode (GetModeImageSize).
    int modeWidth() const { return modeWidth_; }
    int modeHeight() const { return modeHeight_; }
    void setModePictureSize(int width, int height)
    {
        modeWidth_ = width;
        modeHeight_ = height;
    }
    // TX screen rows per line of the picture being sent.
    double txProgressScale() const { return txProgressScale_; }
    void setTxProgressScale(double rowsPerLine) { txProgressScale_ = rowsPerLine; }
    // The notch's frequency in Hz.
    int32_t notchFrequency() const { return notchFreq_; }
    // Values the settings carry: the TX and RX modes, the JPEG quality (1 to 99), the
    // tone's frequency in Hz, how many pictures the auto-save folder keeps, and that
    // folder (ends in "/").
    QVariant txMode() const { return txMode_; }
    void setTxMode(const QVariant& mode) { txMode_ = mode; }
    QVariant rxMode() const { return rxMode_; }
    void setRxMode(const QVariant& mode) { rxMode_ = mode; }
    QVariant jpegQuality() const { return jpegQuality_; }
    void setJpegQuality(const QVariant& quality) { jpegQuality_ = quality; }
    QVariant toneFrequency() const { return toneFrequency_; }
    void setToneFrequency(const QVariant& hz) { toneFrequency_ = hz; }
    QVariant autoSaveLimit() const { return autoSaveLimit_; }
    void setAutoSaveLimit(const QVariant& pictures) { autoSaveLimit_ = pictures; }
    QString autoSaveDir() const { return autoSaveDir_; }
    void setAutoSaveDir(const QString& folder) { autoSaveDir_ = folder; }
    QString autoSaveFolder() const override { return autoSaveDir_; }
    int pruneDatedFolder(const QString& folder, int keep, int mostDeletions, const QString& spare,
                         const QString& prefix) override;
    int jpegWriteQuality() const override;
    void showTxProgressMarkers(bool shown) override;
    void clearReceivedCopy() override;
    QImage redrawReceivedCopy(platform::StepRunner& steps) override;
    QString saveDatedJpeg(const QImage& picture, const QString& folder, const QString& prefix, int quality) override;
    bool txBufferMade() const override { return txDib_ != 0; }
    int32_t receivedPictureDib() const override { return rxDib_; }
    QSize modePictureSize() const override { return QSize(modeWidth_, modeHeight_); }
    bool isDatedPictureFile(const QString& fileName) const override;
    double autoSavePictureLimit() const override { return autoSaveLimit_.toDouble(); }
    // The next tick shows the TX mode's name in the list again.
    bool modeNameWaiting() const { return modeChanged_ == 1; }
    // The tone button is held.
    bool toneHeld() const { return toneOn_ == 1; }
    void setToneHeld(bool held) { toneOn_ = held ? 1 : 0; }
    // The transmission ending is a tune tone, not a picture: it is not archived.
    bool tuneToneEnding() const { return skipTxArchive_ == 1; }
    void setTuneToneEnding(bool tone) { skipTxArchive_ = tone ? 1 : 0; }

    static constexpr int txImagesKeep = 35; // pictures the sent-pictures folder keeps
    // The application folder cannot be written (the operator has been told so): the
    // engine's failing settings writes are not told again.
    void markAppFolderReadOnly() { appFolderReadOnly_ = true; }
    // Whether a trouble of that key (an engine fault's text) was told in a tick already.
    bool told(const QString& key) const { return told_.contains(key); }
    // A trouble of that key told by the program otherwise (the start-up's box): no tick tells it.
    void noteTold(const QString& key) { told_.insert(key); }

private:
    // Troubles with files met in a tick, told once each after it.
    void tellEngineFaults();
    void tellLater(const QString& text, const QString& key);
    QString autoSaveFolder();
    QSet<QString> told_;
    QStringList engineFaults_; // what the engine reported at the last tick
    // The steps of one tick, in their order.
    void drawViews(platform::StepRunner& steps, int width, int height);
    void showTransmitProgress(platform::StepRunner& steps);
    void finishedPicture(platform::StepRunner& steps);
    void receivedPictureStarts(platform::StepRunner& steps);
    void endOfTransmission(platform::StepRunner& steps);
    void endOfReception(platform::StepRunner& steps);
    // The announcement before a transmission; false when it was aborted.
    bool announce(platform::StepRunner& steps);
    void resetProgressMarkers();
    // The notch under a press or drag at column x of a spectrum display.
    void placeNotch(int button, double x);

    // An engine DIB drawn into a picture box's window (the screen only).
    void drawIntoWindow(platform::PictureBox* box, int32_t dib);

    QDateTime localTime() const { return localTime_(); }

    int32_t txDib_ = 0;
    int32_t rxDib_ = 0;
    int32_t tuneDib_ = 0;
    int32_t specDibA_ = 0;
    int32_t specDibB_ = 0;
    int32_t engineResult_ = 0;
    int32_t dstRect_[4] = {0, 0, 0, 0};
    int32_t srcRect_[4] = {0, 0, 0, 0};
    bool appFolderReadOnly_ = false;
    std::function<QDateTime()> localTime_ = [] { return QDateTime::currentDateTime(); };
    int32_t notchFreq_ = 0;
    int modeWidth_ = 0;
    int modeHeight_ = 0;
    double txProgressScale_ = 0;
    QVariant txMode_;
    QVariant rxMode_;
    QVariant jpegQuality_;
    QVariant toneFrequency_;
    QVariant autoSaveLimit_;
    QString autoSaveDir_;
    int modeChanged_ = 0;    // 1: the next tick shows the TX mode's name in the list again
    int toneOn_ = 0;         // 1 while the tone button is held
    int skipTxArchive_ = 0;  // 1: the transmission ending is a tune tone, not a picture

    interfaces::Form& form_;
    platform::Engine engine_;
    bool ticking_ = false;
    // The writer of the archive and the auto-save: a picture buffer of their own, so a
    // write never changes the one the picture-adjust panel shows.
    std::unique_ptr<platform::Picbuf> writer_;
};

} // namespace engine
