// Lists a folder of many bitmaps in the main window's browser, and again after a small change on
// disk, and prints how long each took in this one run.
//
//   bench_listing [files]      (default 5000)
#include "scriptedmodals.h"
#include "testsettings.h"

#include "app/frmmain.h"
#include "browser/widgets/bitmapbrowser.h"
#include "browser/widgets/filelistbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString name(int i)
{
    return QStringLiteral("f%1.bmp").arg(i, 5, 10, QLatin1Char('0'));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5000;

    TestSettings store;
    ScriptedModals modals; // the one preview on opening refuses a file that is no picture
    QTemporaryDir folder;
    for (int i = 0; i < count; ++i) {
        if (!writeFile(folder.filePath(name(i)), "x")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder.filePath(name(i))));
            return 1;
        }
    }
    frmMain window;
    window.show();
    auto *files = window.findChild<FileListBox *>(QStringLiteral("File1"));

    QElapsedTimer timer;
    timer.start();
    const bool opened = window.browser()->openFolder(folder.path());
    const qint64 firstMs = timer.elapsed();

    for (int i = 0; i < count / 50; ++i)
        QFile::remove(folder.filePath(name(i)));
    writeFile(folder.filePath(QStringLiteral("a.bmp")), "x");
    timer.restart();
    files->syncWithDisk();
    const qint64 againMs = timer.elapsed();

    std::printf("bitmaps listed:                 %d (%s)\n", files->ListCount(), opened ? "opened" : "NOT opened");
    std::printf("listing the folder:             %lld ms\n", static_cast<long long>(firstMs));
    std::printf("listing again after %3d changes: %lld ms\n", count / 50 + 1, static_cast<long long>(againMs));
    return opened ? 0 : 1;
}
