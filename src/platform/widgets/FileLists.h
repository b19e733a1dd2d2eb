#pragma once
// The three lists of a file browser: the volumes (drives), the folders of a path and the
// files of a folder that match a pattern. As with the other controls, a value set from
// code runs the list's event at once; a value the list cannot take (a folder that does not
// exist, a position outside the list, a volume that is not ready) throws VbError and the
// list keeps what it had.
//
// Paths use "/" and have no final "/" except the root. Hidden entries (names that begin
// with ".") are left out; names are sorted without regard to case.

#include <QComboBox>
#include <QHash>
#include <QListWidget>
#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

// A mounted volume as the drive list shows it.
struct Volume {
    QString root;   // its mount point
    QString label;  // its name, shown beside the root ("" when it has none)
    bool ready = true;
};

// The volumes the drive list offers. Tests put their own in; an empty function goes back
// to the machine's mounted volumes (pseudo file systems left out, "/" always there).
using VolumeProvider = std::function<QList<Volume>()>;
void setVolumeProvider(VolumeProvider provider);
QList<Volume> volumes();
// The volume that holds path: the one whose root is the longest leading part of it.
Volume volumeOf(const QString& path);

// VB's error 68 ("Device unavailable") for a volume that is not ready.
inline constexpr int vbErrDeviceUnavailable = 68;
// Error 76 for a folder that does not exist; 380 for a value a list does not take.
inline constexpr int vbErrPathNotFound = 76;
inline constexpr int vbErrInvalidPropertyValue = 380;

// Drive list: Drive is the root of the chosen volume. The operator's pick of another
// volume runs Change (also for a volume that is not ready: the handler finds out).
class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);
    DriveListBox(const QString& name, QWidget* parent = nullptr);

    QString Drive() const { return drive_; }
    // Chooses the volume that holds path (a folder or a root); runs Change when that is
    // another volume. A volume that is not ready throws error 68.
    void setDrive(const QString& path);
    // Reads the volumes again (they come and go); the chosen one stays chosen.
    void Refresh();

signals:
    void Change();

protected:
    void showPopup() override;

private:
    void fill();
    void choose(const QString& root);
    QString drive_;
    bool quiet_ = false;
};

// Folder list: the folders from the root down to Path, then Path's own folders. A double
// click (or Enter) on a folder makes it the Path.
class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);
    DirListBox(const QString& name, QWidget* parent = nullptr);

    QString Path() const { return path_; }
    // Moves to an existing folder (an absolute path) and runs Change when it is another
    // one; a folder that does not exist throws error 76.
    void setPath(const QString& path);
    // Moves to the folder last shown on the volume whose root is given (its root when
    // none was shown there, or that folder is gone). A volume that is not ready throws
    // error 68.
    void setDrive(const QString& root);
    // Reads the folders again.
    void Refresh();

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void fill();
    void open(QListWidgetItem* item);
    QString path_;
    QHash<QString, QString> lastOnVolume_;
};

// File list: the files of Path that match Pattern (wildcards separated by ";", matched
// without regard to case, each as written: "*tga" takes "xtga" too).
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);
    FileListBox(const QString& name, QWidget* parent = nullptr);

    QString Path() const { return path_; }
    // Lists an existing folder (an absolute path), nothing selected; a folder that does
    // not exist throws error 76 and the list stays as it was.
    void setPath(const QString& path);
    QString Pattern() const { return pattern_; }
    // Lists Path anew with the pattern, nothing selected.
    void setPattern(const QString& pattern);
    // Reads the folder again; the selected file stays selected while it is still listed.
    void Refresh();

    int ListIndex() const { return currentRow(); }
    // -1 (none) to ListCount - 1, and runs Click; any other value throws error 380.
    void setListIndex(int index);
    int ListCount() const { return count(); }
    // The name at a position ("" outside the list), and the selected file's name.
    QString List(int index) const;
    QString FileName() const { return List(currentRow()); }
    // The full path of the selected file ("" when none is).
    QString filePath() const;

    // Whether a name matches a pattern as this list matches it.
    static bool matches(const QString& name, const QString& pattern);

signals:
    void Click();
    void DblClick();
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    void GotFocus();
    void LostFocus();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void fill(const QString& keep);
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
    bool quiet_ = false;
    bool pressing_ = false;
    bool focusDuringPress_ = false;
};

} // namespace platform
