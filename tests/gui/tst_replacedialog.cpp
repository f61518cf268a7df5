// The replace question: its layout and every way it can be answered.
#include "scriptedmodals.h"

#include "framelist/widgets/frmmsgboxreplace.h"
#include "widgets/twips.h"

#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

template<typename T = QWidget> T *child(QDialog *dialog, const char *name)
{
    return dialog->findChild<T *>(QString::fromLatin1(name));
}

} // namespace

class TestReplaceDialog : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Label1") << "Label1" << QRect(420, 240, 6390, 195) << QString();
        QTest::newRow("Label2") << "Label2" << QRect(420, 675, 4965, 195) << QString();
        QTest::newRow("btnYes") << "btnYes" << QRect(855, 1470, 1215, 375) << "&Yes";
        QTest::newRow("btnYesToAll") << "btnYesToAll" << QRect(2250, 1470, 1215, 375) << "Yes to &All";
        QTest::newRow("btnNo") << "btnNo" << QRect(3615, 1470, 1215, 375) << "&No";
        QTest::newRow("CancelButton") << "CancelButton" << QRect(4995, 1470, 1215, 375) << "&Cancel";
    }

    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        frmMsgBoxReplace dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog Caption"));
        QCOMPARE(dialog.size(), QSize(Twips::toPixels(6960), Twips::toPixels(2130)));
        auto *widget = dialog.findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        if (auto *button = qobject_cast<QPushButton *>(widget)) {
            QCOMPARE(button->text(), caption);
            QVERIFY(!button->isDefault());
            // The access key: Alt and the letter after "&".
            const QChar key = caption.at(caption.indexOf(QLatin1Char('&')) + 1).toUpper();
            QCOMPARE(button->shortcut(), QKeySequence(Qt::ALT | Qt::Key(key.unicode())));
        }
    }

    // Every way to end the question and the answer it gives.
    void answers_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << "btnYes" << 1;
        QTest::newRow("Yes to All") << "btnYesToAll" << 2;
        QTest::newRow("No") << "btnNo" << 3;
        QTest::newRow("Cancel") << "CancelButton" << 4;
        QTest::newRow("Esc is Cancel") << "Esc" << 4;
        QTest::newRow("Enter presses the focused Yes") << "Enter" << 1;
        QTest::newRow("close box") << "close" << -1;
    }

    void answers()
    {
        QFETCH(QString, action);
        QFETCH(int, answer);
        ScriptedModals modals;
        QString line1, line2;
        QString focused;
        modals.queueDialog([&](QDialog *dialog) {
            QApplication::setActiveWindow(dialog);
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            line1 = child<QLabel>(dialog, "Label1")->text();
            line2 = child<QLabel>(dialog, "Label2")->text();
            if (action == QLatin1String("Esc"))
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            else if (action == QLatin1String("Enter"))
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            else if (action == QLatin1String("close"))
                dialog->close();
            else
                QTest::mouseClick(dialog->findChild<QPushButton *>(action), Qt::LeftButton);
        });
        QCOMPARE(AskReplaceFrame(nullptr, QStringLiteral("0003  Frame name:/frames/logo.bmp"),
                                 QStringLiteral("0003  intro.bmp")),
                 answer);
        QVERIFY(modals.unexpected().isEmpty());
        QCOMPARE(modals.shown().first().dialogName, QStringLiteral("frmMsgBoxReplace"));
        QCOMPARE(focused, QStringLiteral("btnYes"));
        QCOMPARE(line1,
                 QStringLiteral("Would you like to replace existing frame number: 0003  Frame name:/frames/logo.bmp"));
        QCOMPARE(line2, QStringLiteral("with this one: 0003  intro.bmp ?"));
    }

    void everyQuestionStartsUnanswered()
    {
        ScriptedModals modals;
        modals.queueDialog(
            [](QDialog *dialog) { QTest::mouseClick(child<QPushButton>(dialog, "btnNo"), Qt::LeftButton); });
        modals.queueDialog([](QDialog *dialog) { dialog->close(); });
        QCOMPARE(AskReplaceFrame(nullptr, QStringLiteral("a"), QStringLiteral("b")), 3);
        QCOMPARE(AskReplaceFrame(nullptr, QStringLiteral("a"), QStringLiteral("b")), -1);
    }

    // A long path keeps to one line in a dialog of its own size: the start of the line and the
    // file name show, the folders between give way, and the tool tip holds the whole line.
    void longTextsStayOnOneLine_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shownEnd"); // how Label1 ends (Label2 adds " ?")
        QTest::newRow("deep folders") << "/srv/" + QString(40, 'f').repeated(8).replace("ffff", "ff/f") + "/logo.bmp"
                                      << "/logo.bmp";
        QTest::newRow("one long name") << "/frames/" + QString(300, 'x') + ".bmp"
                                       << ".bmp";
        QTest::newRow("short path, nothing cut") << "/frames/logo.bmp"
                                                 << "0003  Frame name:/frames/logo.bmp";
    }

    void longTextsStayOnOneLine()
    {
        QFETCH(QString, path);
        QFETCH(QString, shownEnd);
        frmMsgBoxReplace dialog;
        dialog.setTexts(QStringLiteral("0003  Frame name:") + path, QStringLiteral("0003 ") + path);
        dialog.show();
        QCOMPARE(dialog.size(), QSize(Twips::toPixels(6960), Twips::toPixels(2130)));
        const QStringList whole = {"Would you like to replace existing frame number: 0003  Frame name:" + path,
                                   "with this one: 0003 " + path + " ?"};
        const QStringList starts = {"Would you like to replace existing frame number: 0003  Frame name:/",
                                    "with this one: 0003 /"};
        for (int i = 0; i < 2; ++i) {
            auto *label = child<QLabel>(&dialog, i == 0 ? "Label1" : "Label2");
            QVERIFY(!label->wordWrap());
            QCOMPARE(label->height(), Twips::toPixels(195));
            QCOMPARE(label->toolTip(), whole[i]);
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
                     qPrintable(label->text()));
            QVERIFY2(label->text().endsWith(i == 0 ? shownEnd : shownEnd + " ?") || label->text() == whole[i],
                     qPrintable(label->text()));
            if (label->text() != whole[i])
                QVERIFY2(label->text().contains(QChar(0x2026)), qPrintable(label->text()));
            if (shownEnd.startsWith('/')) // a file name that fits keeps the start of the line too
                QVERIFY2(label->text().startsWith(starts[i]), qPrintable(label->text()));
        }
    }
};

QTEST_MAIN(TestReplaceDialog)
#include "tst_replacedialog.moc"
