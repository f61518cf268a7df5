#include "browser/widgets/dirlistbox.h"

#include "base/localpath.h"
#include "browser/widgets/diritemdelegate.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSet>
#include <QStyle>

#include <algorithm>

namespace {
constexpr int PathRole = Qt::UserRole;
}

DirListBox::DirListBox(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new DirItemDelegate(this));
    connect(this, &QListWidget::itemActivated, this, &DirListBox::openItem);
    connect(&m_watch, &FolderWatch::changed, this, &DirListBox::followDisk);
}

bool DirListBox::setPath(const QString &dir)
{
    const QString cleaned =
        QDir::cleanPath(QDir::isAbsolutePath(dir) ? dir : LocalPath::currentFolder() + QLatin1Char('/') + dir);
    QString error;
    if (!LocalPath::stat(cleaned).isFolder)
        return false;
    LocalPath::entries(cleaned, LocalPath::Kind::Files, &error);
    if (!error.isEmpty())
        return false;
    if (cleaned == m_path)
        return true;
    m_path = cleaned;
    m_watch.setFolder(m_path);
    fill();
    emit pathChanged(m_path);
    return true;
}

void DirListBox::fill()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);

    // The folders from the root down, worked out from the path alone: a name need not be UTF-8.
    QStringList chain;
    for (QString folder = m_path;;) {
        chain.prepend(folder);
        const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
        if (QDir(folder).isRoot() || slash < 0)
            break;
        QString parent = folder.left(slash);
        if (parent.isEmpty() || parent.endsWith(QLatin1Char(':')))
            parent += QLatin1Char('/');
        if (parent == folder)
            break;
        folder = parent;
    }
    int depth = 0;
    for (const QString &folder : chain) {
        const QString name = QDir(folder).isRoot() ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto *item = new QListWidgetItem(openIcon, name, this);
        item->setData(PathRole, folder);
        item->setData(DirItemDelegate::DepthRole, depth);
        ++depth;
    }
    m_chainLength = count();
    setCurrentRow(m_chainLength - 1);
    for (const QString &child : subfolders())
        addItem(subfolderItem(child));
}

QStringList DirListBox::subfolders() const
{
    QStringList children = LocalPath::entries(m_path, LocalPath::Kind::Folders);
    // Hidden folders (settings, caches, version control) would lead the list; they can still be
    // opened by path and then show in the chain like any other.
    children.removeIf([](const QString &name) { return name.startsWith(u'.'); });
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(children.begin(), children.end(), collator);
    return children;
}

QListWidgetItem *DirListBox::subfolderItem(const QString &name) const
{
    auto *item = new QListWidgetItem(style()->standardIcon(QStyle::SP_DirClosedIcon), name);
    item->setData(PathRole, QDir(m_path).filePath(name));
    item->setData(DirItemDelegate::DepthRole, m_chainLength);
    return item;
}

void DirListBox::followDisk()
{
    if (!LocalPath::stat(m_path).isFolder) {
        // The rows above the current folder's own are the folders from the root down.
        for (int row = m_chainLength - 2; row >= 0; --row) {
            const QString folder = item(row)->data(PathRole).toString();
            QString error;
            LocalPath::entries(folder, LocalPath::Kind::Files, &error);
            if (LocalPath::stat(folder).isFolder && error.isEmpty()) {
                emit folderGone(folder);
                return;
            }
        }
        return;
    }

    // Only the subfolder rows change, so the row the operator is on stays where it is.
    const QString current = currentItem() ? currentItem()->data(PathRole).toString() : QString();
    const QStringList children = subfolders();
    const QSet<QString> wanted(children.cbegin(), children.cend());
    for (int row = count() - 1; row >= m_chainLength; --row) {
        if (!wanted.contains(item(row)->text()))
            delete takeItem(row);
    }
    int row = m_chainLength;
    for (const QString &child : children) {
        if (row >= count() || item(row)->text() != child)
            insertItem(row, subfolderItem(child));
        ++row;
    }
    while (count() > row) // folders that tie in the order may have come back in another
        delete takeItem(count() - 1);

    if (currentItem() && currentItem()->data(PathRole).toString() == current)
        return;
    int keep = m_chainLength - 1; // a highlighted subfolder that went: back to the folder's own row
    for (int i = m_chainLength; i < count(); ++i) {
        if (item(i)->data(PathRole).toString() == current)
            keep = i;
    }
    setCurrentRow(keep);
}

void DirListBox::openItem(QListWidgetItem *item)
{
    if (item && !setPath(item->data(PathRole).toString()))
        emit openFailed(item->data(PathRole).toString());
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}
