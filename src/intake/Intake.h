#pragma once
// Picture intake's controller: browser, picture files, fitting, adjustments, zoom and crop.

#include <QImage>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

namespace shell { class FormMain; }
namespace platform { class Picbuf; }

namespace intake {

class Intake : public QObject {
    Q_OBJECT
public:
    explicit Intake(shell::FormMain& form);
    ~Intake() override;
    shell::FormMain& form() const { return form_; }

    void loadpic_Click(); // menu "Load Picture to TX"
    void copyrx_Click(); // menu "Copy RX Image"
    void copye_Click(); // menu "Copy TX Image"
    void savepic_Click(); // menu "Save TX  Picture"
    void Command27_Click(); // "Cancel" of the picture-adjust panel
    void Label17_Click();   // "With Crop": browser thumbnails dropped on the TX screen go through the crop dialog
    void Label13_Click();   // " >>>> Next 4": the browser's four-thumbnail loader
    // Press on browser thumbnail `code` (11 to 14: Image8 to Image11): a thumbnail with a
    // picture writes its code; the left button drags it.
    void browserSlotMouseDown(int code, int button);
    // Fits the picture of the thumbnail that dragSource names onto the whole TX screen and
    // commits it: a picture narrower than 5:4 full height between black bars, any other
    // stretched to 640 x 512.
    void picturecorrectaspect();

    // The browser's folder lists, until they are built: File1's path (setting one that
    // does not exist throws and leaves it), Dir1's path, Drive1's drive.
    QString File1Path() const { return file1Path_; }
    void setFile1Path(const QString& path);
    QString Dir1Path() const { return dir1Path_; }
    void setDir1Path(const QString& path);
    QString Drive1Drive() const { return drive1_; }
    void setDrive1Drive(const QString& path);

    // The browser's values the settings carry.
    QString quickDirs[15];       // 1 to 14
    QVariant quickDirPage[9];    // 1 to 8
    QVariant currentQuickDir;    // 1 to 8
    QVariant fileTypeFilter;
    QString ftpDir;              // the TX-to-FTP folder

    // The process's working directory is never changed; this folder stands in for it. It
    // is the application folder at start, then the folder a handler makes current or the
    // folder of the file last chosen in a file dialog; dialogs that name no folder open here.
    QString dialogFolder;

    // The buffer that loads and saves picture files for the load and save menus, so that
    // neither replaces a picture held by the adjustment buffers.
    platform::Picbuf* PicbufFile = nullptr;

private:
    // Puts a picture into the overlay work buffer, which takes the picture's size.
    void putWorkPicture(const QImage& picture);

    shell::FormMain& form_;
    std::unique_ptr<platform::Picbuf> picbufFile_;
    QString file1Path_;
    QString dir1Path_;
    QString drive1_;
};

} // namespace intake
