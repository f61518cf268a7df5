#pragma once

#include <QByteArray>
#include <QComboBox>
#include <QList>

#include <functional>

// The drive list: on Linux the mounted volumes an operator would pick, the root first; on Windows
// the drive letters. It looks again each time it opens or gets the focus, so a stick mounted while
// the program runs can be picked.
class DriveListBox : public QComboBox
{
    Q_OBJECT
public:
    struct Volume
    {
        QString rootPath;
        QByteArray fileSystemType;
    };
    using VolumeSource = std::function<QList<Volume>()>;

    explicit DriveListBox(QWidget *parent = nullptr);

    // Whether the operator would pick this volume: the root and real volumes, not the system's
    // own mounts (kernel interfaces, memory, snap packages, containers, desktop helpers). On
    // Windows every drive letter is.
    static bool isPickable(const Volume &volume);

    // Where the volumes come from; an empty source means the mounted volumes.
    void setVolumeSource(VolumeSource source);
    // Fills the list again from the volume source, still showing the chosen drive.
    void refresh();
    // The root path of the chosen volume.
    QString drive() const;
    // Looks at the volumes again and shows the one that holds path, without raising a change.
    void showDriveOf(const QString &path);

    void showPopup() override;

signals:
    // The operator picked a volume other than the one shown.
    void driveChanged(const QString &rootPath);

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    // Fills the list with these roots, the root folder first, and shows keep if it is listed.
    void fill(QStringList roots, const QString &keep);
    QStringList volumeRoots() const;

    // Platform code (drivelistbox_unix.cpp, drivelistbox_win.cpp).
    static QList<Volume> mountedVolumes();
    // The root listed first whatever the order of names ("/"); empty when the names give the order.
    static QString topRoot();
    // Whether the (clean) path lies on the volume with this root.
    static bool holds(const QString &root, const QString &path);

    VolumeSource m_source;
    bool m_moved = false; // the shown drive changed since the last pick
};
