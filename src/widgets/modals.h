#pragma once

#include <QMap>
#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

// What the operator is asked or told in a modal box, as a test sees it.
struct MessageRequest
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    // Buttons whose standard text does not say what they do ("Overwrite" on Save).
    QMap<QMessageBox::StandardButton, QString> buttonTexts;
};

struct InputRequest
{
    QString prompt;
    QString title;
    QString defaultText;
};

// A file to open or to save to, chosen in the desktop's file dialog.
struct FileRequest
{
    enum Mode { Open, Save };
    Mode mode = Open;
    QString caption;
    QString folder; // where the dialog starts; a file name in it is suggested when saving
    QString filter; // "Frame lists (*.frames)"
};

// Answers modal interactions in place of the operator. Tests install one; the program runs without.
class ModalResponder
{
public:
    virtual ~ModalResponder() = default;
    virtual QMessageBox::StandardButton answerMessage(const MessageRequest &request) = 0;
    // Returns the text typed; an empty text means the operator cancelled.
    virtual QString answerInput(const InputRequest &request) = 0;
    // Works the dialog as an operator would and returns its result code.
    virtual int answerDialog(QDialog *dialog) = 0;
    // The file chosen; empty when the operator cancelled (and for responders that never choose).
    virtual QString answerFileName(const FileRequest &request)
    {
        Q_UNUSED(request);
        return QString();
    }
};

// The one way the program shows a modal box or dialog, so tests can answer in advance.
class Modals
{
public:
    // An empty title means the application title.
    static QMessageBox::StandardButton message(QWidget *parent, const QString &text, const QString &title,
                                               QMessageBox::Icon icon,
                                               QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    // A box as the request gives it, its title as it stands.
    static QMessageBox::StandardButton message(QWidget *parent, const MessageRequest &request);
    static QString input(QWidget *parent, const QString &prompt, const QString &defaultText,
                         const QString &title = QString());
    static int exec(QDialog *dialog);
    // The file chosen, empty when cancelled.
    static QString fileName(QWidget *parent, const FileRequest &request);

    static void setResponder(ModalResponder *responder);
    static ModalResponder *responder();

private:
    static ModalResponder *s_responder;
};
