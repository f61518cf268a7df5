#include "dirlistbox.h"

#include "diritemdelegate.h"
#include "upload/localpath.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
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
}

bool DirListBox::setPath(const QString &dir)
{
    const QString cleaned = QDir::cleanPath(QDir::isAbsolutePath(dir) ? dir : LocalPath::currentFolder() + QLatin1Char('/') + dir);
    QString error;
    if (!LocalPath::stat(cleaned).isFolder)
        return false;
    LocalPath::entries(cleaned, LocalPath::Kind::Files, &error);
    if (!error.isEmpty())
        return false;
    if (cleaned == m_path)
        return true;
    m_path = cleaned;
    fill();
    emit pathChanged(m_path);
    return true;
}

void DirListBox::fill()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

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
    setCurrentRow(count() - 1);

    QStringList children = LocalPath::entries(m_path, LocalPath::Kind::Folders);
    // Hidden folders (settings, caches, version control) would lead the list; they can still be
    // opened by path and then show in the chain like any other.
    children.removeIf([](const QString &name) { return name.startsWith(u'.'); });
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(children.begin(), children.end(), collator);
    for (const QString &child : children) {
        auto *item = new QListWidgetItem(closedIcon, child, this);
        item->setData(PathRole, QDir(m_path).filePath(child));
        item->setData(DirItemDelegate::DepthRole, depth);
    }
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
