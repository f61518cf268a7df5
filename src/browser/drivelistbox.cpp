#include "drivelistbox.h"

#include <QDir>
#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>

DriveListBox::DriveListBox(QWidget *parent)
    : QComboBox(parent)
{
    refresh();
    connect(this, &QComboBox::activated, this, [this](int) { emit driveChanged(drive()); });
}

void DriveListBox::refresh()
{
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    }
    setVolumes(roots);
}

void DriveListBox::setVolumes(QStringList roots)
{
    const QSignalBlocker blocker(this);
    clear();
    const QString root = QDir::rootPath();
    roots.removeAll(root);
    std::sort(roots.begin(), roots.end());
    roots.prepend(root);
    for (const QString &path : roots)
        addItem(QDir::toNativeSeparators(path), path);
}

QString DriveListBox::drive() const
{
    return currentData().toString();
}

void DriveListBox::showDriveOf(const QString &path)
{
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
}
