#include "framelist/widgets/frmmsgboxreplace.h"

#include "widgets/formstyle.h"
#include "widgets/modals.h"
#include "widgets/twips.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

QPushButton *makeButton(QWidget *parent, const char *name, const char *caption, int left)
{
    auto *button = Twips::place(new QPushButton(QString::fromLatin1(caption), parent), name, left, 1470, 1215, 375);
    // No default button: Enter presses whichever button has the focus.
    button->setDefault(false);
    button->setAutoDefault(true);
    return button;
}

QLabel *makeLine(QWidget *parent, const char *name, int top, int width)
{
    auto *label = Twips::place(new QLabel(parent), name, 420, top, width, 195);
    label->setWordWrap(false); // one line; a long path is cut at the edge, the dialog keeps its size
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

frmMsgBoxReplace::frmMsgBoxReplace(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmMsgBoxReplace"));
    setWindowTitle(QStringLiteral("Dialog Caption"));
    FormStyle::apply(this);
    setFixedSize(Twips::toPixels(6960), Twips::toPixels(2130));

    Label1 = makeLine(this, "Label1", 240, 6390);
    Label2 = makeLine(this, "Label2", 675, 4965);
    btnYes = makeButton(this, "btnYes", "&Yes", 855);
    btnYesToAll = makeButton(this, "btnYesToAll", "Yes to &All", 2250);
    btnNo = makeButton(this, "btnNo", "&No", 3615);
    CancelButton = makeButton(this, "CancelButton", "&Cancel", 4995);
    FormStyle::setTabOrder({btnYes, btnYesToAll, btnNo, CancelButton});

    connect(btnYes, &QPushButton::clicked, this, &frmMsgBoxReplace::btnYes_Click);
    connect(btnYesToAll, &QPushButton::clicked, this, &frmMsgBoxReplace::btnYesToAll_Click);
    connect(btnNo, &QPushButton::clicked, this, &frmMsgBoxReplace::btnNo_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmMsgBoxReplace::CancelButton_Click);
    Form_Load();
}

void frmMsgBoxReplace::Form_Load()
{
    m_answer = Closed;
    btnYes->setFocus();
}

namespace {

// One line that fits the label: the start of the text and the file name at its end stay, the
// folders between them give way. The whole text is the tool tip.
void setOneLine(QLabel *label, const QString &text)
{
    label->setToolTip(text);
    const QFontMetrics metrics = label->fontMetrics();
    const int width = label->contentsRect().width();
    QString shown = text;
    if (metrics.horizontalAdvance(text) > width) {
        const qsizetype cut = std::max(text.lastIndexOf(QLatin1Char('/')), text.lastIndexOf(QLatin1Char('\\')));
        const QString name = text.mid(cut);
        const int room = width - metrics.horizontalAdvance(name);
        shown = cut > 0 && room >= width / 3 ? metrics.elidedText(text.left(cut), Qt::ElideRight, room) + name
                                             : metrics.elidedText(text, Qt::ElideMiddle, width);
    }
    label->setText(shown);
}

} // namespace

void frmMsgBoxReplace::setTexts(const QString &existing, const QString &incoming)
{
    setOneLine(Label1, QStringLiteral("Would you like to replace existing frame number: ") + existing);
    setOneLine(Label2, QStringLiteral("with this one: ") + incoming + QStringLiteral(" ?"));
}

void frmMsgBoxReplace::answer(int value)
{
    m_answer = value;
    accept();
}

void frmMsgBoxReplace::btnYes_Click()
{
    answer(Yes);
}

void frmMsgBoxReplace::btnYesToAll_Click()
{
    answer(YesToAll);
}

void frmMsgBoxReplace::btnNo_Click()
{
    answer(No);
}

void frmMsgBoxReplace::CancelButton_Click()
{
    answer(Cancel);
}

void frmMsgBoxReplace::keyPressEvent(QKeyEvent *event)
{
    // Esc presses Cancel; only the close box leaves without an answer.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelButton->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

int AskReplaceFrame(QWidget *parent, const QString &existing, const QString &incoming)
{
    frmMsgBoxReplace dialog(parent);
    dialog.setTexts(existing, incoming);
    Modals::exec(&dialog);
    return dialog.ReplaceAnswer();
}
