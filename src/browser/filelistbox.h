#pragma once

#include <QListView>
#include <QStringList>

class QStringListModel;

// The file list: the names in one folder that match the pattern, sorted as a file list is
// (letter case ignored), several selectable at once. Indices are 0-based.
class FileListBox : public QListView
{
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    void setPath(const QString &dir);
    // "*.bmp" style; the match ignores letter case.
    void setPattern(const QString &pattern);

    int ListCount() const;
    QString List(int index) const;
    bool Selected(int index) const;
    void setSelected(int index, bool selected);
    int ListIndex() const;
    // Selects one entry as a click would, and raises fileClicked.
    void selectAndClick(int index);

    // The names ending in the pattern's suffix, in file-list order.
    static QStringList listFolder(const QString &dir, const QString &pattern);
    // File-list order: letter case ignored, then exact.
    static bool comesBefore(const QString &a, const QString &b);

signals:
    void fileClicked(int index);

private:
    void refill();

    QStringListModel *m_model;
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
};
