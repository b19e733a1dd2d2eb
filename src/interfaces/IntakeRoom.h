#pragma once
// What other rooms ask of the picture intake (intake::Intake): the browser, picture
// files, fitting, the adjust panel and the zoom view.

#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QString>

class QImage;

namespace platform { class Picbuf; }

namespace interfaces {

class IntakeRoom {
public:
    // Menu "Load Picture to TX".
    virtual void loadpic_Click() = 0;
    // The browser panel: "Load Pic" opens it, "Exit Pic" (or any caller) closes it.
    virtual void Command20_Click() = 0;
    // The panel moved to `place` in the window (the operator drags it about by its caption).
    virtual void moveBrowserPanel(QPoint place) = 0;
    // The browser's folder list moved to `folder`, its file list following; a folder the
    // list cannot show leaves both where they were. The folder the list then shows.
    virtual QString browseToFolder(const QString& folder) = 0;
    // "RX>TX": the received picture onto the TX screen.
    virtual void Command51_Click() = 0;
    // The adjust panel: opened and closed, placed, started on a picture, accepted.
    virtual void toggleAdjustPanel() = 0;
    // The panel and the adjusted picture over the screen hidden, nothing else changed.
    virtual void closeAdjustPanel() = 0;
    virtual void placeAdjustPanel() = 0;
    virtual void startAdjusting(const QImage& picture) = 0;
    virtual void Command38_Click() = 0; // "Accept "
    // The panel's shown picture emptied, as before a series of loads (the strip's reload
    // does it while the panel is closed).
    virtual void emptyAdjustResult() = 0;
    // The zoom view of the thumbnail the drag source names, over the screens until a click,
    // a drop or a change of tab closes it.
    virtual void ShowZoom() = 0;
    virtual void closeZoom() = 0;
    // Fits the intake buffer's picture (a file dropped from the desktop) into Picture2.
    virtual void olepicturesize() = 0;
    // The work picture put on the TX screen by its shape and committed.
    virtual void picturecorrectaspect() = 0;
    // A picture into the overlay work buffer Picture3, which takes the picture's size.
    virtual void putWorkPicture(const QImage& picture) = 0;
    // The picture buffer that loads files dropped from the desktop.
    virtual platform::Picbuf& fileLoader() = 0;
    // Where a file dialog that names no folder opens.
    virtual QString dialogFolderPath() const = 0;
    virtual void setDialogFolder(const QString& folder) = 0;
    // The adjust panel holds the received picture (true) or the TX picture.
    virtual void setAdjustingRx(bool onRx) = 0;
    // Where a picture file of `size` dropped from the desktop lands on the TX picture by
    // the fit label chosen (empty for none); `overEmptied` when it lands on an emptied one.
    virtual QRectF txScreenFilePlace(QSize size, bool& overEmptied) const = 0;

protected:
    ~IntakeRoom() = default;
};

} // namespace interfaces
