#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Asks whether a frame number that is already taken gets the incoming file. Made afresh for
// every question.
class frmMsgBoxReplace : public QDialog
{
    Q_OBJECT
public:
    enum Answer { Closed = -1, Yes = 1, YesToAll = 2, No = 3, Cancel = 4 };

    explicit frmMsgBoxReplace(QWidget *parent = nullptr);

    void setTexts(const QString &existing, const QString &incoming);
    // The button pressed, or Closed when the window's close box ended the question.
    int ReplaceAnswer() const { return m_answer; }

    void btnYes_Click();
    void btnYesToAll_Click();
    void btnNo_Click();
    void CancelButton_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void answer(int value);

    QLabel *Label1;
    QLabel *Label2;
    QPushButton *btnYes;
    QPushButton *btnYesToAll;
    QPushButton *btnNo;
    QPushButton *CancelButton;
    int m_answer = Closed;
};

// Shows the question modally with the two descriptions and returns the answer: -1, 1, 2, 3 or 4.
int AskReplaceFrame(QWidget *parent, const QString &existing, const QString &incoming);
