#include "widgets/modals.h"

#include "base/appinfo.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>

ModalResponder *Modals::s_responder = nullptr;

static QString titleOrDefault(const QString &title)
{
    return title.isEmpty() ? QString::fromUtf8(AppInfo::ApplicationTitle) : title;
}

QMessageBox::StandardButton Modals::message(QWidget *parent, const QString &text, const QString &title,
                                            QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
{
    return message(parent, MessageRequest{text, titleOrDefault(title), icon, buttons, {}});
}

QMessageBox::StandardButton Modals::message(QWidget *parent, const MessageRequest &request)
{
    if (s_responder)
        return s_responder->answerMessage(request);

    QMessageBox box(request.icon, request.title, request.text, request.buttons, parent);
    for (auto it = request.buttonTexts.cbegin(); it != request.buttonTexts.cend(); ++it) {
        if (QAbstractButton *button = box.button(it.key()))
            button->setText(it.value());
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString Modals::input(QWidget *parent, const QString &prompt, const QString &defaultText, const QString &title)
{
    InputRequest request{prompt, titleOrDefault(title), defaultText};
    if (s_responder)
        return s_responder->answerInput(request);

    QInputDialog dialog(parent);
    dialog.setWindowTitle(request.title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

int Modals::exec(QDialog *dialog)
{
    if (s_responder)
        return s_responder->answerDialog(dialog);
    return dialog->exec();
}

QString Modals::fileName(QWidget *parent, const FileRequest &request)
{
    if (s_responder)
        return s_responder->answerFileName(request);
    if (request.mode == FileRequest::Save)
        return QFileDialog::getSaveFileName(parent, request.caption, request.folder, request.filter);
    return QFileDialog::getOpenFileName(parent, request.caption, request.folder, request.filter);
}

void Modals::setResponder(ModalResponder *responder)
{
    s_responder = responder;
}

ModalResponder *Modals::responder()
{
    return s_responder;
}
