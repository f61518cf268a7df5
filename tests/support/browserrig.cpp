#include "browserrig.h"

#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/dirlistbox.h"
#include "browser/widgets/drivelistbox.h"
#include "browser/widgets/filelistbox.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTreeView>

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QSize pictureSize(int n)
{
    return QSize(20 + 3 * n, 10 + n);
}

bool writePicture(const QString &path, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((size.width() * 7) % 360, 200, 200));
    return image.save(path, "BMP");
}

QStringList rows(const QAbstractItemView *view)
{
    QStringList texts;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        texts << view->model()->index(row, 0).data().toString();
    return texts;
}

QString boxLine(const QString &title, const QString &text, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
{
    return QStringLiteral("%1 | %2 | icon %3 | buttons %4").arg(title, text).arg(int(icon)).arg(int(buttons), 0, 16);
}

QStringList boxes(const ScriptedModals &modals)
{
    QStringList lines;
    for (const ShownModal &box : modals.shown())
        lines << boxLine(box.title, box.text, box.icon, box.buttons);
    return lines;
}

QString errorBox(const QString &text)
{
    return boxLine(QStringLiteral("Error"), text, QMessageBox::Critical, QMessageBox::Ok);
}

void clickRow(QAbstractItemView *view, const QModelIndex &index)
{
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

void openEntry(DirListBox *folders, QListWidgetItem *item, Open how)
{
    folders->scrollToItem(item);
    if (how == Open::DoubleClick) {
        // The whole sequence a double-click delivers: press, release, double-click, release.
        const QPoint at = folders->visualItemRect(item).center();
        QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(folders->viewport(), Qt::LeftButton, {}, at);
    } else {
        folders->setCurrentItem(item);
        QTest::keyClick(folders, Qt::Key_Return);
    }
}

QString Rig::folder(const QString &name) const
{
    QDir(root.path()).mkpath(name);
    return root.filePath(name);
}

DriveListBox *Rig::drive() const
{
    return get<DriveListBox>("Drive1");
}
DirListBox *Rig::dir() const
{
    return get<DirListBox>("Dir1");
}
FileListBox *Rig::files() const
{
    return get<FileListBox>("File1");
}
QLabel *Rig::image1() const
{
    return get<QLabel>("Image1");
}
QLabel *Rig::image2() const
{
    return get<QLabel>("Image2");
}
QTreeView *Rig::frames() const
{
    return get<QTreeView>("ListView1");
}

QStringList Rig::state() const
{
    return {dir()->path(), rows(dir()).join(QLatin1Char('|')), files()->path(), rows(files()).join(QLatin1Char('|')),
            QString::number(image1()->pixmap().cacheKey())};
}

QListWidgetItem *Rig::showSubfolder(const QString &parent, const QString &name)
{
    folder(parent + QLatin1Char('/') + name);
    if (!window.browser()->openFolder(root.path()) || !window.browser()->openFolder(root.filePath(parent)))
        return nullptr;
    // The subfolders follow the current folder's own entry.
    for (int i = dir()->currentRow() + 1; i < dir()->count(); ++i) {
        if (dir()->item(i)->text().trimmed() == name)
            return dir()->item(i);
    }
    return nullptr;
}
