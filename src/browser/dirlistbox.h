#pragma once

#include <QListWidget>

// The folder list: the folders from the root down to the current one, then the current folder's
// subfolders that are not hidden. Opening one (double-click or Enter) makes it current.
class DirListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit DirListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Makes dir the current folder. Returns false, changing nothing, when it cannot be listed.
    bool setPath(const QString &dir);

signals:
    void pathChanged(const QString &path);
    // The operator opened a folder that cannot be listed; nothing changed.
    void openFailed(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QListWidgetItem *item);
    void fill();

    QString m_path;
};
