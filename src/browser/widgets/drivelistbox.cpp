#include "browser/widgets/drivelistbox.h"

#include <QDir>
#include <QFocusEvent>
#include <QSet>
#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>
#include <utility>

DriveListBox::DriveListBox(QWidget *parent)
    : QComboBox(parent)
{
    refresh();
    // A pick moves the list before it reports; a pick that moved nothing is the drive already shown.
    connect(this, &QComboBox::currentIndexChanged, this, [this] { m_moved = true; });
    connect(this, &QComboBox::activated, this, [this] {
        if (std::exchange(m_moved, false))
            emit driveChanged(drive());
    });
}

void DriveListBox::setVolumeSource(VolumeSource source)
{
    m_source = std::move(source);
}

bool DriveListBox::isPickable(const Volume &volume)
{
    const QString root = QDir::cleanPath(volume.rootPath);
    if (root == QDir::rootPath())
        return true; // whatever it is made of, even a container's overlay
    static const QSet<QByteArray> systemTypes = {
        "tmpfs",      "devtmpfs", "proc",    "sysfs",       "devpts",         "cgroup", "cgroup2",
        "securityfs", "debugfs",  "tracefs", "configfs",    "fusectl",        "mqueue", "hugetlbfs",
        "pstore",     "bpf",      "autofs",  "binfmt_misc", "efivarfs",       "ramfs",  "nsfs",
        "rpc_pipefs", "squashfs", "overlay", "fuse.portal", "fuse.gvfsd-fuse"};
    if (systemTypes.contains(volume.fileSystemType))
        return false;
    const auto under = [&root](QLatin1String folder) { return root == folder || root.startsWith(folder + u'/'); };
    // Desktops mount sticks here, inside the otherwise private /run.
    if (root.startsWith(QLatin1String("/run/media/")))
        return true;
    for (const char *system : {"/proc", "/sys", "/dev", "/snap", "/run", "/var/lib/docker"}) {
        if (under(QLatin1String(system)))
            return false;
    }
    return true;
}

QStringList DriveListBox::volumeRoots() const
{
    QList<Volume> volumes;
    if (m_source) {
        volumes = m_source();
    } else {
        for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
            volumes.append({volume.rootPath(), volume.fileSystemType()});
    }
    QStringList roots;
    for (const Volume &volume : volumes) {
        if (isPickable(volume) && !roots.contains(volume.rootPath))
            roots.append(volume.rootPath);
    }
    return roots;
}

void DriveListBox::refresh()
{
    fill(volumeRoots(), drive());
}

void DriveListBox::fill(QStringList roots, const QString &keep)
{
    const QSignalBlocker blocker(this);
    // A drive the operator chose stays listed after it is gone, so the list never jumps on its own.
    if (!keep.isEmpty() && !roots.contains(keep))
        roots.append(keep);
    clear();
    const QString root = QDir::rootPath();
    roots.removeAll(root);
    std::sort(roots.begin(), roots.end());
    roots.prepend(root);
    for (const QString &path : roots)
        addItem(QDir::toNativeSeparators(path), path);
    setCurrentIndex(std::max(0, findData(keep)));
    m_moved = false;
}

void DriveListBox::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

void DriveListBox::focusInEvent(QFocusEvent *event)
{
    // Coming back from the list's own popup needs no second look.
    if (event->reason() != Qt::PopupFocusReason)
        refresh();
    QComboBox::focusInEvent(event);
}

QString DriveListBox::drive() const
{
    return currentData().toString();
}

void DriveListBox::showDriveOf(const QString &path)
{
    // The folder may be on a volume mounted since the list last looked.
    fill(volumeRoots(), QString());
    const QSignalBlocker blocker(this);
    // The longest volume root that contains the path.
    int best = -1;
    int bestLength = -1;
    const QString cleaned = QDir::cleanPath(path);
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        const bool inside = root == QDir::rootPath() || cleaned == root || cleaned.startsWith(root + QLatin1Char('/'));
        if (inside && root.size() > bestLength) {
            best = i;
            bestLength = int(root.size());
        }
    }
    setCurrentIndex(best);
    m_moved = false;
}
