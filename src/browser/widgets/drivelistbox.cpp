#include "browser/widgets/drivelistbox.h"

#include <QDir>
#include <QFocusEvent>
#include <QSignalBlocker>

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

QStringList DriveListBox::volumeRoots() const
{
    QList<Volume> volumes;
    if (m_source) {
        volumes = m_source();
    } else {
        volumes = mountedVolumes();
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
    const QString top = topRoot();
    if (!top.isEmpty())
        roots.removeAll(top);
    std::sort(roots.begin(), roots.end());
    if (!top.isEmpty())
        roots.prepend(top);
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
        if (holds(root, cleaned) && root.size() > bestLength) {
            best = i;
            bestLength = int(root.size());
        }
    }
    setCurrentIndex(best);
    m_moved = false;
}
