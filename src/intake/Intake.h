#pragma once
// Picture intake's controller: browser, picture files, fitting, adjustments, zoom and crop.

#include <QObject>
#include <QString>
#include <QVariant>

namespace shell { class FormMain; }

namespace intake {

class Intake : public QObject {
    Q_OBJECT
public:
    explicit Intake(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void loadpic_Click(); // menu "Load Picture to TX"
    void copyrx_Click(); // menu "Copy RX Image"
    void copye_Click(); // menu "Copy TX Image"
    void savepic_Click(); // menu "Save TX  Picture"
    void Command27_Click(); // "Cancel" of the picture-adjust panel
    void Label13_Click();   // " >>>> Next 4": the browser's four-thumbnail loader

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

private:
    shell::FormMain& form_;
    QString file1Path_;
    QString dir1Path_;
    QString drive1_;
};

} // namespace intake
