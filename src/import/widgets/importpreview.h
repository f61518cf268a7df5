#pragma once

#include "import/core/importoptions.h"

#include <QString>
#include <QTimer>
#include <QWidget>

class PreviewRenderer;
class QLabel;

// The import dialog's two pictures, one above the other, twice their size: the picture as it lands
// on the frame, and what the device will show of it. An animation plays with its own delays, the
// pictures of it that become frames.
class ImportPreview : public QWidget
{
    Q_OBJECT
public:
    explicit ImportPreview(QWidget *parent = nullptr);

    // Previews the picture at path with these options a moment after the last call, so moving a
    // slider does not queue up work. An empty path clears the pictures.
    void preview(const QString &path, const ImportOptions &options);
    // How many pictures the file holds, for the caption; 0 when not known.
    void setPictureCount(int count);

    PreviewRenderer *renderer() const { return m_renderer; }
    // Which picture of an animation is shown (0 for a still one).
    int shownIndex() const { return m_index; }

    // Twice the frame's size: a pixel of the frame is four on the screen, so banding shows.
    static constexpr int Scale = 2;

private:
    void request();
    void showPicture(int index);
    void playNext();
    void tell();
    QString placeInAnimation() const;

    PreviewRenderer *m_renderer;
    QLabel *m_picture;
    QLabel *m_shown;
    QLabel *m_caption;
    QTimer m_settle;
    QTimer m_play;
    QString m_path;
    ImportOptions m_options;
    int m_index = 0;
    int m_count = 0;
};
