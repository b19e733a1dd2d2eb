#pragma once
// The media file chooser, "Select file": drive, folder and file lists showing the media
// file types; OK writes the chosen file's full path into the controller's file name.
// The controller takes no input while the chooser is loaded.

#include <QWidget>

namespace platform {
class CommandButton;
class DirListBox;
class DriveListBox;
class FileListBox;
} // namespace platform

namespace media {

class FrmMain;

// A file's full path from its folder and its name, with the one separator between them
// (a root such as "/" ends in it already).
QString folderFilePath(const QString& folder, const QString& name);

class FrmSelectFile : public QWidget {
    Q_OBJECT
public:
    // The 26 media file types the list shows.
    static const QString Pattern;

    explicit FrmSelectFile(FrmMain& controller);
    ~FrmSelectFile() override;

    void Form_Load();
    void Form_Unload();
    void Drive1_Change();
    void Dir1_Change();
    // The selected file's full path, or "error" (after saying so) when none is selected.
    QString GetFile();
    void CmdOk_Click();
    void cmdCancel_Click();

    platform::DriveListBox* Drive1 = nullptr;
    platform::DirListBox* Dir1 = nullptr;
    platform::FileListBox* File1 = nullptr;
    platform::CommandButton* CmdOk = nullptr;
    platform::CommandButton* cmdCancel = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    FrmMain& controller_;
};

} // namespace media
