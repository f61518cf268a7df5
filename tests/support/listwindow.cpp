#include "listwindow.h"

#include "bmpwriter.h"

#include "framelist/core/framelistmodel.h"
#include "framelist/core/framenumber.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

ListWindow::ListWindow(bool opened)
{
    if (opened)
        open();
}

void ListWindow::open()
{
    window.reset();
    window = std::make_unique<frmMain>(nullptr, nullptr, dir.filePath(QStringLiteral("data/previous.frames")));
    window->show();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

QString ListWindow::bitmap(const QString &name) const
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.write(BmpWriter::standardFrame({qRgb(9, 9, 9)}, QByteArray(32768, 1)));
    return path;
}

void ListWindow::fill(const QStringList &entries) const
{
    for (const QString &entry : entries)
        list()->add(entry.section(QLatin1Char('='), 0, 0).toInt(), bitmap(entry.section(QLatin1Char('='), 1) + ".bmp"));
}

FrameListModel *ListWindow::list() const
{
    return window->frameList();
}

FrameListFiles *ListWindow::files() const
{
    return window->listFiles();
}

QStringList ListWindow::entries() const
{
    QStringList result;
    for (const FrameEntry &entry : list()->entries())
        result << FrameNumber::FormatFrameNumber(entry.number) + QLatin1Char('=') + QFileInfo(entry.path).fileName()
                + (entry.duplicate.isEmpty() ? "" : "!");
    return result;
}

QString ListWindow::caption() const
{
    return window->windowTitle().replace(QStringLiteral("[*]"), window->isWindowModified() ? "*" : "");
}

void ListWindow::writeList(const QString &name, const QByteArray &text) const
{
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

QByteArray ListWindow::fileText(const QString &name) const
{
    QFile file(dir.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void ListWindow::key(Qt::Key key) const
{
    QApplication::setActiveWindow(window.get()); // back from a dialog, the keys are the window's again
    QTest::keyClick(window.get(), key, Qt::ControlModifier);
}

void ListWindow::click(const char *button) const
{
    QTest::mouseClick(window->findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
}

QLineEdit *ListWindow::startEdit(int row, const QString &typed) const
{
    auto *view = window->findChild<QTreeView *>(QStringLiteral("ListView1"));
    view->setFocus();
    view->setCurrentIndex(list()->index(row, 0));
    QTest::keyClick(view, Qt::Key_F2);
    for (QLineEdit *editor : view->viewport()->findChildren<QLineEdit *>()) {
        if (editor->isVisible()) {
            editor->selectAll();
            QTest::keyClicks(editor, typed);
            return editor;
        }
    }
    return nullptr;
}
