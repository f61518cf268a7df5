#include "dirlistbox.h"

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
    connect(this, &QListWidget::itemActivated, this, &DirListBox::openItem);
}

bool DirListBox::setPath(const QString &dir)
{
    const QFileInfo info(dir);
    if (!info.isDir() || !info.isReadable() || !QDir(dir).isReadable())
        return false;
    const QString cleaned = QDir::cleanPath(info.absoluteFilePath());
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

    QStringList chain;
    for (QDir dir(m_path);; ) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    int depth = 0;
    for (const QString &folder : chain) {
        const QString name = QDir(folder).isRoot() ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto *item = new QListWidgetItem(openIcon, QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(PathRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);

    QStringList children = QDir(m_path).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(children.begin(), children.end(), collator);
    for (const QString &child : children) {
        auto *item = new QListWidgetItem(closedIcon, QString(depth * 2, QLatin1Char(' ')) + child, this);
        item->setData(PathRole, QDir(m_path).filePath(child));
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
