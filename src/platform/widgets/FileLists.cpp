#include "platform/widgets/FileLists.h"

#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QStorageInfo>
#include <QStyle>

#include <algorithm>

namespace platform {

namespace {

// File systems that hold no pictures of the operator's: the kernel's views, memory
// file systems and the container's layers.
bool pseudoFileSystem(const QByteArray& type)
{
    static const QList<QByteArray> pseudo = {
        "proc",      "sysfs",    "devtmpfs",   "devpts",  "tmpfs",     "cgroup",  "cgroup2",
        "mqueue",    "debugfs",  "tracefs",    "securityfs", "pstore", "bpf",     "autofs",
        "configfs",  "fusectl",  "hugetlbfs",  "binfmt_misc", "efivarfs", "nsfs", "ramfs",
        "rpc_pipefs", "squashfs", "overlay",   "nfsd",    "selinuxfs", "ProcFS"};
    return pseudo.contains(type);
}

QList<Volume> machineVolumes()
{
    QList<Volume> list;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        const QString root = info.rootPath();
        if (root != QLatin1String("/") && pseudoFileSystem(info.fileSystemType()))
            continue;
        QString label = info.name();
        if (label.isEmpty() && root != QLatin1String("/"))
            label = QFileInfo(root).fileName();
        list.append({root, label, info.isValid() && info.isReady()});
    }
    if (std::none_of(list.begin(), list.end(), [](const Volume& v) { return v.root == QLatin1String("/"); }))
        list.prepend({QStringLiteral("/"), QString(), true});
    std::sort(list.begin(), list.end(), [](const Volume& a, const Volume& b) { return a.root < b.root; });
    return list;
}

VolumeProvider& provider()
{
    static VolumeProvider p;
    return p;
}

QString clean(const QString& path)
{
    return QDir::cleanPath(path);
}

// Whether `path` lies on or below `root`.
bool under(const QString& path, const QString& root)
{
    if (root == QLatin1String("/"))
        return path.startsWith(u'/');
    return path == root || path.startsWith(root + u'/');
}

// Where the lists open: the home folder, or the root where the account has none (HOME
// unset or naming a folder that is gone must not stop the program at start).
QString startFolder()
{
    const QString home = QDir::homePath();
    return QFileInfo(home).isDir() ? clean(home) : QDir::rootPath();
}

// The absolute folder a path names, or error 76.
QString existingFolder(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || !info.isDir())
        throw VbError(vbErrPathNotFound, QStringLiteral("Path not found: ") + path);
    return clean(info.absoluteFilePath());
}

void requireReady(const Volume& volume)
{
    if (!volume.ready)
        throw VbError(vbErrDeviceUnavailable, QStringLiteral("Device unavailable: ") + volume.root);
}

void sortWithoutCase(QStringList& names)
{
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace

void setVolumeProvider(VolumeProvider p)
{
    provider() = std::move(p);
}

QList<Volume> volumes()
{
    return provider() ? provider()() : machineVolumes();
}

Volume volumeOf(const QString& path)
{
    const QString p = clean(path);
    Volume best{QStringLiteral("/"), QString(), true};
    int bestLength = -1;
    for (const Volume& v : volumes()) {
        const QString root = clean(v.root);
        if (under(p, root) && root.size() > bestLength) {
            best = v;
            best.root = root;
            bestLength = int(root.size());
        }
    }
    return best;
}

// ---------------------------------------------------------------- DriveListBox

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent)
{
    fill();
    choose(volumeOf(startFolder()).root);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QString root = itemData(index).toString();
        if (root == drive_)
            return;
        drive_ = root;
        emit Change();
    }, Qt::DirectConnection);
}

DriveListBox::DriveListBox(const QString& name, QWidget* parent) : DriveListBox(parent)
{
    setObjectName(name);
}

void DriveListBox::fill()
{
    QScopedValueRollback guard(quiet_, true);
    clear();
    for (const Volume& v : volumes()) {
        const QString root = clean(v.root);
        addItem(v.label.isEmpty() || v.label == root ? root : root + QStringLiteral(" [") + v.label + u']', root);
    }
}

void DriveListBox::choose(const QString& root)
{
    int index = findData(root);
    if (index < 0) {
        addItem(root, root);
        index = count() - 1;
    }
    setCurrentIndex(index);
    drive_ = root;
}

void DriveListBox::setDrive(const QString& path)
{
    const Volume volume = volumeOf(path);
    requireReady(volume);
    if (volume.root == drive_) {
        choose(volume.root); // the list may show another entry after the operator's pick
        return;
    }
    choose(volume.root);
    emit Change();
}

void DriveListBox::Refresh()
{
    const QString keep = drive_;
    fill();
    choose(keep);
}

void DriveListBox::showPopup()
{
    Refresh();
    QComboBox::showPopup();
}

// ---------------------------------------------------------------- DirListBox

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { open(item); });
    setPath(startFolder());
}

DirListBox::DirListBox(const QString& name, QWidget* parent) : DirListBox(parent)
{
    setObjectName(name);
}

void DirListBox::setPath(const QString& path)
{
    const QString folder = existingFolder(path);
    lastOnVolume_[volumeOf(folder).root] = folder;
    if (folder == path_) {
        fill();
        return;
    }
    path_ = folder;
    fill();
    emit Change();
}

void DirListBox::setDrive(const QString& root)
{
    const Volume volume = volumeOf(root);
    requireReady(volume);
    const QString last = lastOnVolume_.value(volume.root);
    if (!last.isEmpty() && QFileInfo(last).isDir())
        setPath(last);
    else
        setPath(volume.root);
}

void DirListBox::Refresh()
{
    fill();
}

void DirListBox::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    // The way down from the root, each folder a step further in.
    QStringList chain;
    for (QString p = path_; !p.isEmpty();) {
        chain.prepend(p);
        if (p == QLatin1String("/"))
            break;
        p = QFileInfo(p).absolutePath();
    }
    int depth = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& p : chain) {
        const QString name = p == QLatin1String("/") ? p : QFileInfo(p).fileName();
        auto* item = new QListWidgetItem(open, QString(depth * 2, u' ') + name, this);
        item->setData(Qt::UserRole, p);
        current = item;
        ++depth;
    }
    QStringList folders = QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    sortWithoutCase(folders);
    for (const QString& name : folders) {
        auto* item = new QListWidgetItem(closed, QString(depth * 2, u' ') + name, this);
        item->setData(Qt::UserRole, joined(path_, name));
    }
    if (current)
        setCurrentItem(current);
}

void DirListBox::open(QListWidgetItem* item)
{
    if (!item)
        return;
    try {
        setPath(item->data(Qt::UserRole).toString());
    } catch (const VbError&) {
        fill(); // the folder went away meanwhile: show what is there now
    }
}

void DirListBox::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        open(currentItem());
        return;
    }
    QListWidget::keyPressEvent(e);
}

// ---------------------------------------------------------------- FileListBox

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    pattern_ = QStringLiteral("*");
    connect(this, &QListWidget::currentRowChanged, this, [this] {
        if (!quiet_)
            emit Click();
    }, Qt::DirectConnection);
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { emit DblClick(); }, Qt::DirectConnection);
    path_ = startFolder();
    fill(QString());
}

FileListBox::FileListBox(const QString& name, QWidget* parent) : FileListBox(parent)
{
    setObjectName(name);
}

bool FileListBox::matches(const QString& name, const QString& pattern)
{
    for (const QString& part : pattern.split(u';', Qt::SkipEmptyParts)) {
        const QString wildcard = part.trimmed();
        if (wildcard.isEmpty())
            continue;
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(wildcard),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(name).hasMatch())
            return true;
    }
    return false;
}

void FileListBox::fill(const QString& keep)
{
    QStringList names;
    for (const QString& name : QDir(path_).entryList(QDir::Files))
        if (matches(name, pattern_))
            names.append(name);
    sortWithoutCase(names);
    QScopedValueRollback guard(quiet_, true);
    clear();
    addItems(names);
    const int index = keep.isEmpty() ? -1 : int(names.indexOf(keep));
    setCurrentRow(index);
    if (index < 0)
        clearSelection();
}

void FileListBox::setPath(const QString& path)
{
    path_ = existingFolder(path);
    fill(QString());
}

void FileListBox::setPattern(const QString& pattern)
{
    pattern_ = pattern;
    fill(QString());
}

void FileListBox::Refresh()
{
    fill(FileName());
}

void FileListBox::setListIndex(int index)
{
    if (index < -1 || index >= count())
        throw VbError(vbErrInvalidPropertyValue,
                      QStringLiteral("Invalid property value: list position %1 of %2").arg(index).arg(count()));
    {
        QScopedValueRollback guard(quiet_, true);
        setCurrentRow(index);
        if (index < 0)
            clearSelection();
    }
    emit Click();
}

QString FileListBox::List(int index) const
{
    const QListWidgetItem* it = item(index);
    return it ? it->text() : QString();
}

QString FileListBox::filePath() const
{
    const QString name = FileName();
    return name.isEmpty() ? QString() : joined(path_, name);
}

// A press gives MouseDown, then the selection (Click), then GotFocus when the press
// brought the focus: the focus handler sees the file pressed.
void FileListBox::mousePressEvent(QMouseEvent* e)
{
    emit MouseDown(vbButton(e->button()), vbShift(e->modifiers()), e->position().x(), e->position().y());
    {
        QScopedValueRollback guard(pressing_, true);
        QListWidget::mousePressEvent(e);
    }
    if (focusDuringPress_) {
        focusDuringPress_ = false;
        emit GotFocus();
    }
}

void FileListBox::mouseReleaseEvent(QMouseEvent* e)
{
    QListWidget::mouseReleaseEvent(e);
    emit MouseUp(vbButton(e->button()), vbShift(e->modifiers()), e->position().x(), e->position().y());
}

void FileListBox::focusInEvent(QFocusEvent* e)
{
    QListWidget::focusInEvent(e);
    // The window gives the focus before it delivers the press that took it.
    if (e->reason() == Qt::MouseFocusReason && QApplication::mouseButtons() != Qt::NoButton) {
        focusDuringPress_ = true;
        return;
    }
    if (pressing_) {
        focusDuringPress_ = true;
        return;
    }
    emit GotFocus();
}

void FileListBox::focusOutEvent(QFocusEvent* e)
{
    QListWidget::focusOutEvent(e);
    focusDuringPress_ = false;
    emit LostFocus();
}

} // namespace platform
