#include "import/core/conversionrun.h"

#include "base/localpath.h"
#include "frame/framewriter.h"
#include "import/core/framequantizer.h"
#include "import/core/picturereader.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Frames being made ahead of the one written, a thread: enough to keep every thread busy while a
// file is written, few enough that Cancel wastes little.
constexpr int AheadPerThread = 2;

} // namespace

struct ConversionRun::Reading
{
    bool readable = false;
    PictureReader::Read read;
    QString why;
};

struct ConversionRun::Made
{
    std::optional<FrameBitmap> frame;
    QString why;
};

struct ConversionRun::Step
{
    enum Kind { Begin, Clash, Kept, Make, End };
    Kind kind = Begin;
    int picture = 0;
    QString target;
    std::shared_ptr<WorkerPool::Pending<Made>> made;
};

struct ConversionRun::Picture
{
    std::shared_ptr<WorkerPool::Pending<Reading>> pending; // null when not read
    int estimate = 0; // frames it may hold, while it is read ahead
    // Planned
    Reading reading; // its pictures let go once its frames are planned
    bool roomLeft = true;
    int frames = 0; // pictures of it that become frames
    int leftOut = 0; // pictures of it past the device's room
    // Written
    PictureConverter::Outcome outcome;
    QStringList refused;
    QStringList clashes;
    bool begun = false;
    bool ended = false;
    bool stopped = false; // no further frame of it is written
};

ConversionRun::ConversionRun(Setup setup)
    : m_setup(std::move(setup))
    , m_pool(m_setup.threads)
    , m_pictures(size_t(m_setup.pictures.size()))
{ }

ConversionRun::~ConversionRun() = default;

QList<PictureConverter::Outcome> ConversionRun::run()
{
    for (;;) {
        Planned planned = Planned::Step;
        while (!cancelled() && (planned = planNext()) == Planned::Step) { }
        if (m_steps.empty()) {
            if (cancelled() || planned == Planned::Done)
                break;
            continue; // what had to be written first is
        }
        take(m_steps.front());
        m_steps.pop_front();
    }
    QList<PictureConverter::Outcome> outcomes;
    for (int p = 0; p < int(m_pictures.size()); ++p) {
        Picture &picture = m_pictures[size_t(p)];
        picture.outcome.source = m_setup.pictures[p];
        if (!picture.begun) {
            picture.outcome.problem = QStringLiteral("not converted: cancelled");
            picture.outcome.cancelled = true;
        } else if (!picture.ended)
            finish(picture); // cancelled before all its frames were planned
        outcomes << picture.outcome;
    }
    return outcomes;
}

ConversionRun::Planned ConversionRun::planNext()
{
    if (m_planning == int(m_pictures.size()))
        return Planned::Done;
    if (m_frame < 0)
        return beginPicture();
    Picture &picture = m_pictures[size_t(m_planning)];
    if (m_frame < picture.reading.read.pictures.size()) {
        if (m_makesQueued >= AheadPerThread * std::max(m_setup.threads, 1))
            return Planned::Wait;
        planFrame();
        return Planned::Step;
    }
    m_steps.push_back({Step::End, m_planning, {}, {}});
    picture.reading.read.pictures.clear(); // they are with the frames being made
    ++m_planning;
    m_frame = -1;
    return Planned::Step;
}

ConversionRun::Planned ConversionRun::beginPicture()
{
    readAhead();
    Picture &picture = m_pictures[size_t(m_planning)];
    if (picture.pending) {
        picture.reading = m_pool.take(picture.pending);
        picture.pending.reset();
        picture.estimate = 0;
    }
    const int available = picture.reading.readable ? int(picture.reading.read.pictures.size()) : 0;
    const bool unread = !picture.reading.readable && picture.reading.why.isEmpty();
    if (unread || m_made + m_makesQueued + std::max(available, 1) > PictureConverter::MostFrames) {
        // How much room is left depends on the frames before it being written.
        if (!m_steps.empty())
            return Planned::Wait;
        const int room = PictureConverter::MostFrames - m_made;
        picture.roomLeft = room > 0;
        if (available > room) {
            picture.reading.read.leftOut += available - room;
            picture.reading.read.pictures.erase(picture.reading.read.pictures.begin() + room,
                                                picture.reading.read.pictures.end());
        }
    }
    m_steps.push_back({Step::Begin, m_planning, {}, {}});
    m_frame = 0;
    if (!picture.roomLeft || !picture.reading.readable)
        picture.reading.read.pictures.clear();
    picture.frames = int(picture.reading.read.pictures.size());
    picture.leftOut = picture.reading.read.leftOut;
    return Planned::Step;
}

void ConversionRun::planFrame()
{
    Picture &picture = m_pictures[size_t(m_planning)];
    const QString target = m_setup.target(m_planning, m_frame, picture.reading.read.animated);
    const QString key = LocalPath::namesIgnoreCase() ? target.toLower() : target;
    Step step{Step::Make, m_planning, target, {}};
    if (m_keys.contains(key)) {
        step.kind = Step::Clash;
    } else if (!m_setup.overwrite && LocalPath::stat(target).exists) {
        step.kind = Step::Kept;
    } else {
        m_keys.insert(key);
        const QImage image = picture.reading.read.pictures[m_frame].frame;
        const FrameQuantizer::Settings settings{m_setup.options.dither};
        const std::atomic<bool> *cancel = m_setup.cancel;
        step.made = m_pool.start<Made>([image, settings, cancel] {
            Made made;
            if (!(cancel && cancel->load()))
                made.frame = FrameQuantizer::quantize(image, settings, &made.why);
            return made;
        });
        ++m_makesQueued;
    }
    m_steps.push_back(step);
    ++m_frame;
}

void ConversionRun::readAhead()
{
    // A few files ahead, so the threads have the next pictures while this one's frames are
    // written, with no more than a file's worth of frames held.
    int held = 0;
    for (int q = m_planning + 1; q < m_nextRead; ++q)
        held += m_pictures[size_t(q)].estimate;
    const int limit = PictureConverter::MostFrames - m_made; // the room can only shrink
    while (m_nextRead < int(m_pictures.size()) && m_nextRead <= m_planning + std::max(m_setup.threads, 1)) {
        const int q = m_nextRead;
        const int estimate = std::clamp(m_setup.counts[q], 1, PictureConverter::MostFrames);
        if (q > m_planning && held + estimate > PictureConverter::MostFrames)
            break;
        Picture &picture = m_pictures[size_t(q)];
        if (limit > 0) {
            const QString path = m_setup.pictures[q];
            const ImportOptions options = m_setup.options;
            picture.pending = m_pool.start<Reading>([path, options, limit] {
                Reading reading;
                reading.readable = PictureReader::read(path, options, limit, &reading.read, &reading.why);
                return reading;
            });
            picture.estimate = estimate;
            held += q > m_planning ? estimate : 0;
        }
        ++m_nextRead;
    }
}

void ConversionRun::take(const Step &step)
{
    Picture &picture = m_pictures[size_t(step.picture)];
    if (step.kind == Step::Make)
        --m_makesQueued;
    switch (step.kind) {
    case Step::Begin:
        picture.begun = true;
        picture.outcome.caveat = picture.reading.read.caveat;
        if ((picture.outcome.cancelled = cancelled()))
            picture.outcome.problem = QStringLiteral("not converted: cancelled");
        else if (!picture.roomLeft)
            picture.outcome.problem =
                QStringLiteral("left out: %1 frames have been made already, as many as the device takes")
                    .arg(PictureConverter::MostFrames);
        else if (!picture.reading.readable)
            picture.outcome.problem = picture.reading.why;
        picture.stopped = !picture.outcome.problem.isEmpty();
        return;
    case Step::End:
        finish(picture);
        return;
    default:
        break;
    }
    if (picture.stopped || (picture.stopped = cancelled()))
        return;
    if (step.kind == Step::Clash) {
        picture.clashes << QFileInfo(step.target).fileName();
    } else if (step.kind == Step::Kept) {
        picture.outcome.kept << step.target;
    } else {
        const Made made = m_pool.take(step.made);
        QString why = made.why;
        if (!made.frame || !FrameWriter::write(*made.frame, step.target, &why)) {
            picture.refused
                << QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(step.target), why);
            return;
        }
        picture.outcome.written << step.target;
        ++m_made;
        if (m_setup.progress)
            m_setup.progress(m_made);
    }
}

void ConversionRun::finish(Picture &picture)
{
    picture.ended = true;
    if (!picture.outcome.problem.isEmpty())
        return; // told at its beginning
    QStringList refused = picture.refused;
    const QStringList &clashes = picture.clashes;
    if (!clashes.isEmpty())
        refused << QStringLiteral("%1 not written: %2 made from another picture of this import already; "
                                  "rename one of the two")
                       .arg(clashes.size() == 1 ? clashes.first() : QStringLiteral("%1 frames").arg(clashes.size()),
                            clashes.size() == 1 ? QStringLiteral("it was") : QStringLiteral("they were"));
    if (picture.leftOut > 0)
        refused << QStringLiteral("%1 of its pictures left out: the device takes %2 frames")
                       .arg(picture.leftOut)
                       .arg(PictureConverter::MostFrames);
    picture.outcome.cancelled = cancelled() && picture.outcome.written.size() < picture.frames;
    if (picture.outcome.cancelled)
        refused << QStringLiteral("cancelled");
    picture.outcome.problem = refused.join(QStringLiteral("; "));
}
