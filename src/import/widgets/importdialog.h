#pragma once

#include "import/core/importoptions.h"

#include <QDialog>
#include <QStringList>

class AnimationBox;
class FrameOptionsBox;
class ImportJob;
class ImportPreview;
class PictureSurvey;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;

// "Import pictures": the pictures chosen, each marked as soon as it is added when it makes no frame;
// how they become frames, as the operator last had it; which pictures of an animation are taken,
// told against the frames the device takes before converting; where the frame files go; and the
// picture above what the device will show of it. Converting runs off the window's thread and can
// be cancelled; the dialog closes once frame files were written.
class ImportDialog : public QDialog
{
    Q_OBJECT
public:
    // folder: where the frame files go unless the operator chooses another.
    ImportDialog(QWidget *parent, const QString &folder, const QStringList &pictures = {});

    void addPictures(const QStringList &paths);
    QStringList pictures() const;
    ImportOptions options() const;
    QString folder() const;

    // The frame files the conversion wrote, in order.
    QStringList written() const { return m_written; }
    // The frame files to add to the frame list: those written, when the operator asked for it and
    // did not cancel.
    QStringList framesForList() const;

    ImportPreview *preview() const { return m_preview; }
    ImportJob *job() const { return m_job; }
    PictureSurvey *survey() const { return m_survey; }

public slots:
    // While converting: cancels, and the dialog closes once the job has ended.
    void reject() override;

private:
    QWidget *buildPictures();
    QWidget *buildTarget();
    void choosePictures();
    void removePictures();
    void chooseFolder();
    void settingsChanged();
    void keepSettings();
    void found(const QString &path);
    void mark(QListWidgetItem *item);
    void countPictures();
    void convert();
    void converted();
    void setConverting(bool converting);

    QListWidget *m_list = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_remove = nullptr;
    FrameOptionsBox *m_frameOptions = nullptr;
    AnimationBox *m_animation = nullptr;
    QLineEdit *m_folder = nullptr;
    QPushButton *m_browse = nullptr;
    QCheckBox *m_addToList = nullptr;
    ImportPreview *m_preview = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_convert = nullptr;
    QPushButton *m_cancel = nullptr;
    QList<QWidget *> m_settingsControls; // locked while converting

    ImportJob *m_job;
    PictureSurvey *m_survey;
    QStringList m_written;
    bool m_cancelled = false;
    bool m_closeWhenDone = false;
};
