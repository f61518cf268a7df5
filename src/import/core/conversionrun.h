#pragma once

#include "base/workerpool.h"
#include "import/core/importoptions.h"
#include "import/core/pictureconverter.h"

#include <QList>
#include <QSet>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

// One PictureConverter::convert: the pictures are read and the frames' colours chosen on a pool of
// threads, ahead of the frame being written; the frame files are written in order on the calling
// thread, each as if it had been made right before: the same files, the same outcomes, the count
// told after each, Cancel heard before each.
class ConversionRun
{
public:
    struct Setup
    {
        QStringList pictures;
        ImportOptions options;
        QVector<int> counts; // the pictures each file holds, from its header; 0 when unknown
        // The frame file for picture `index` of pictures[picture].
        std::function<QString(int picture, int index, bool animated)> target;
        bool overwrite = false;
        const std::atomic<bool> *cancel = nullptr;
        std::function<void(int framesWritten)> progress;
        int threads = 1;
    };

    explicit ConversionRun(Setup setup);
    ~ConversionRun();

    QList<PictureConverter::Outcome> run();

private:
    struct Reading;
    struct Made;
    struct Step;
    struct Picture;
    enum class Planned { Step, Wait, Done };

    bool cancelled() const { return m_setup.cancel && m_setup.cancel->load(); }
    Planned planNext();
    Planned beginPicture();
    void planFrame();
    void readAhead();
    void take(const Step &step);
    void finish(Picture &picture);

    Setup m_setup;
    WorkerPool m_pool;
    std::vector<Picture> m_pictures;
    std::deque<Step> m_steps; // planned, not yet written, in order

    // Planning
    int m_planning = 0; // the picture being planned
    int m_frame = -1; // its next frame; -1 before it has begun
    int m_nextRead = 0; // the next picture to read
    int m_makesQueued = 0; // frames being made for the steps
    QSet<QString> m_keys; // the frame files this run makes, as the file system tells names apart

    // Writing
    int m_made = 0;
};
