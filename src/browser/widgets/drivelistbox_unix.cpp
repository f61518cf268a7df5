#include "browser/widgets/drivelistbox.h"

// Volumes on Linux: one tree from "/", with the mounts of the system's own among the real ones.

#include <QDir>
#include <QSet>
#include <QStorageInfo>

QList<DriveListBox::Volume> DriveListBox::mountedVolumes()
{
    QList<Volume> volumes;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        volumes.append({volume.rootPath(), volume.fileSystemType()});
    return volumes;
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

QString DriveListBox::topRoot()
{
    return QDir::rootPath();
}

bool DriveListBox::holds(const QString &root, const QString &path)
{
    return root == QDir::rootPath() || path == root || path.startsWith(root + QLatin1Char('/'));
}
