#pragma once
// What other rooms ask of the engine control (engine::EngineControl).

class QImage;
namespace platform { class Engine; class StepRunner; }

#include <QSize>
#include <QString>

#include <cstdint>

namespace interfaces {

class EngineRoom {
public:
    // The engine binding: the library beside the executable.
    virtual platform::Engine& binding() = 0;
    // The committed TX picture into the engine's TX buffer at the TX mode's size.
    virtual void copyTxScreenToDib() = 0;
    // The engine's number of the TX mode chosen in Combo2.
    virtual int txModeNumber() const = 0;
    // The engine's number of the RX mode set (the RX monitor's shape follows it).
    virtual int rxModeNumber() const = 0;
    // The folder received pictures are saved to (ends in "/").
    virtual QString autoSaveFolder() const = 0;
    // The TX progress markers on the TX screen shown or hidden (a commit while sending
    // hides them for its drawing).
    virtual void showTxProgressMarkers(bool shown) = 0;
    // The full-size copy of the last picture received (640 x 512) is the engine's to
    // write: emptied, or drawn anew from the engine's received picture over the current
    // mode's whole picture (a failing draw is skipped and leaves it emptied); the copy as
    // it then stands.
    virtual void clearReceivedCopy() = 0;
    virtual QImage redrawReceivedCopy(platform::StepRunner& steps) = 0;
    // The engine's destination rectangle: the whole picture of the current mode.
    virtual void targetWholeModePicture() = 0;
    // The oldest dated pictures of `folder` deleted while more than `keep` are there, at
    // most `mostDeletions`, never `spare`; the number deleted.
    virtual int pruneDatedFolder(const QString& folder, int keep, int mostDeletions, const QString& spare,
                                 const QString& prefix) = 0;
    // The JPEG quality (0 to 100) the program writes its pictures at.
    virtual int jpegWriteQuality() const = 0;
    // The one writer of dated pictures: `picture` as a JPEG at `quality` into `folder`,
    // under the dated name (with `prefix` before the date) free there now; the name written.
    // Throws, having written nothing, when the file cannot be written.
    virtual QString saveDatedJpeg(const QImage& picture, const QString& folder, const QString& prefix,
                                  int quality) = 0;
    // The engine's TX buffer is made (the start-up makes it once the engine runs); before
    // that nothing can be pushed to it.
    virtual bool txBufferMade() const = 0;
    // The engine buffer of the received picture, and the picture size of the current mode:
    // the received picture's whole area runs from (0, 0) to that size.
    virtual int32_t receivedPictureDib() const = 0;
    virtual QSize modePictureSize() const = 0;
    // The name is one of the program's own dated picture names (no prefix).
    virtual bool isDatedPictureFile(const QString& fileName) const = 0;
    // The auto-save limit of the setup dialog: how many received pictures the auto-save
    // folder keeps before its oldest goes.
    virtual double autoSavePictureLimit() const = 0;

protected:
    ~EngineRoom() = default;
};

} // namespace interfaces
