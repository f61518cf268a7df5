#include "scriptedmodals.h"

#include <QCoreApplication>
#include <QDialog>

ScriptedModals::ScriptedModals()
    : m_previous(Modals::responder())
{
    Modals::setResponder(this);
}

ScriptedModals::~ScriptedModals()
{
    Modals::setResponder(m_previous);
}

void ScriptedModals::queueMessageAnswer(QMessageBox::StandardButton button, const std::function<void()> &whileShown)
{
    m_script.append(MessageAnswer{button, whileShown});
}

void ScriptedModals::queueInputAnswer(const QString &text)
{
    m_script.append(text);
}

void ScriptedModals::queueDialog(const DialogWork &work)
{
    m_script.append(work);
}

void ScriptedModals::clear()
{
    m_script.clear();
    m_shown.clear();
    m_unexpected.clear();
}

void ScriptedModals::whileOpen()
{
    // A real box runs the event loop until it is answered: what is waiting happens meanwhile.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QMessageBox::StandardButton ScriptedModals::answerMessage(const MessageRequest &request)
{
    m_shown.append(
        {ShownModal::Message, request.title, request.text, request.icon, request.buttons, {}, {}, request.buttonTexts});
    whileOpen();
    if (!m_script.isEmpty() && std::holds_alternative<MessageAnswer>(m_script.first())) {
        const MessageAnswer answer = std::get<MessageAnswer>(m_script.takeFirst());
        if (answer.whileShown)
            answer.whileShown();
        return answer.button;
    }
    m_unexpected.append(QStringLiteral("message: ") + request.text);
    // As the close box would: the escape button of the box.
    for (auto button : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok}) {
        if (request.buttons.testFlag(button))
            return button;
    }
    return QMessageBox::NoButton;
}

QString ScriptedModals::answerInput(const InputRequest &request)
{
    m_shown.append(
        {ShownModal::Input, request.title, request.prompt, QMessageBox::NoIcon, {}, request.defaultText, {}, {}});
    whileOpen();
    if (!m_script.isEmpty() && std::holds_alternative<QString>(m_script.first()))
        return std::get<QString>(m_script.takeFirst());
    m_unexpected.append(QStringLiteral("input: ") + request.prompt);
    return QString();
}

void ScriptedModals::queueFileAnswer(const QString &path)
{
    m_script.append(FileAnswer{path});
}

QString ScriptedModals::answerFileName(const FileRequest &request)
{
    m_shown.append({ShownModal::File, request.caption, request.folder, QMessageBox::NoIcon, {}, {}, {}, {}});
    if (!m_script.isEmpty() && std::holds_alternative<FileAnswer>(m_script.first()))
        return std::get<FileAnswer>(m_script.takeFirst()).path;
    m_unexpected.append(QStringLiteral("file dialog: ") + request.caption);
    return QString();
}

int ScriptedModals::answerDialog(QDialog *dialog)
{
    m_shown.append(
        {ShownModal::Dialog, dialog->windowTitle(), {}, QMessageBox::NoIcon, {}, {}, dialog->objectName(), {}});
    if (m_script.isEmpty() || !std::holds_alternative<DialogWork>(m_script.first())) {
        m_unexpected.append(QStringLiteral("dialog: ") + dialog->objectName());
        dialog->reject();
        return dialog->result();
    }
    const DialogWork work = std::get<DialogWork>(m_script.takeFirst());
    dialog->setResult(QDialog::Rejected);
    dialog->show();
    whileOpen();
    work(dialog);
    if (dialog->isVisible())
        dialog->close(); // the close box
    return dialog->result();
}
