#pragma once

#include <QDialog>

class ProgramLauncher;
class QLabel;
class QLineEdit;
class QPushButton;

// "About Drelin Image uploader": product, version, maker, and the way to the system information
// program and the maker's web page.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr, ProgramLauncher *launcher = nullptr);
    ~frmAbout() override;

    void cmdOK_Click();
    void cmdSysInfo_Click();
    void Label6_Click();
    void picIcon_Click();

    void StartSysInfo();
    void VelmWebActivate();

    // "Version " and the program's major, minor and revision numbers.
    static QString versionText();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void buildControls();

    ProgramLauncher *m_launcher;
    bool m_ownsLauncher;
    QPushButton *cmdOK;
    QLabel *picIcon;
    QPushButton *cmdSysInfo;
    QLabel *lblDisclaimer;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *Label6;
    QLineEdit *txtDescription;
};
