#pragma once

#include "widgets/modals.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <variant>

// One modal box or dialog as the operator saw it.
struct ShownModal
{
    enum Kind { Message, Input, Dialog, File };
    Kind kind = Message;
    QString title;
    QString text; // message text, input prompt
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString defaultText; // input box
    QString dialogName; // objectName of a dialog
    QMap<QMessageBox::StandardButton, QString> buttonTexts; // buttons named otherwise than usual
};

// Answers the program's modal boxes from a script written in advance and records what was shown.
// Installed for its lifetime. A modal that arrives with no matching answer queued is recorded in
// unexpected() and dismissed as the close box would.
class ScriptedModals : public ModalResponder
{
public:
    using DialogWork = std::function<void(QDialog *)>;

    ScriptedModals();
    ~ScriptedModals() override;

    // whileShown runs as the box is shown, to look at the window behind it.
    void queueMessageAnswer(QMessageBox::StandardButton button, const std::function<void()> &whileShown = {});
    void queueInputAnswer(const QString &text);
    // The file "chosen" in the next file dialog.
    void queueFileAnswer(const QString &path);
    // The dialog is shown (not modally), work runs on it, and a dialog still open afterwards is
    // closed as by its close box.
    void queueDialog(const DialogWork &work);

    const QList<ShownModal> &shown() const { return m_shown; }
    QStringList unexpected() const { return m_unexpected; }
    int pending() const { return int(m_script.size()); }
    void clear();

    QMessageBox::StandardButton answerMessage(const MessageRequest &request) override;
    QString answerInput(const InputRequest &request) override;
    int answerDialog(QDialog *dialog) override;
    QString answerFileName(const FileRequest &request) override;

private:
    void whileOpen();

    struct MessageAnswer
    {
        QMessageBox::StandardButton button;
        std::function<void()> whileShown;
    };
    struct FileAnswer
    {
        QString path;
    };
    using Step = std::variant<MessageAnswer, QString, DialogWork, FileAnswer>;
    QList<Step> m_script;
    QList<ShownModal> m_shown;
    QStringList m_unexpected;
    ModalResponder *m_previous;
};
