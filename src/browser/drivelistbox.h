#pragma once

#include <QComboBox>

// The drive list: the mounted volumes, the root first.
class DriveListBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveListBox(QWidget *parent = nullptr);

    // Fills the list again from the mounted volumes.
    void refresh();
    // Fills the list with these volume roots, the root folder first.
    void setVolumes(QStringList roots);
    // The root path of the chosen volume.
    QString drive() const;
    // Shows the volume that holds path, without raising a change.
    void showDriveOf(const QString &path);

signals:
    // The operator picked another volume.
    void driveChanged(const QString &rootPath);
};
