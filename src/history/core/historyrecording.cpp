#include "history/core/historyrecording.h"

#include "history/core/historydatabase.h"
#include "history/core/loadrecorder.h"
#include "history/core/sentframe.h"

HistoryRecording::HistoryRecording(const QString &historyPath, const Destination &destination, const LoadInfo &info)
    : m_path(historyPath)
    , m_destination(destination)
    , m_info(info)
{ }

HistoryRecording::~HistoryRecording() = default;

bool HistoryRecording::loadStarting(QString *error)
{
    m_db = HistoryDatabase::open(m_path, error);
    if (!m_db)
        return false;
    m_recorder = std::make_unique<LoadRecorder>(*m_db, m_destination);
    return m_recorder->beginLoad(m_info, error);
}

bool HistoryRecording::frameStarting(int number, const QString &name, const QString &path, const FrameBitmap &frame,
                                     QString *error)
{
    return m_recorder && m_recorder->frameStarting(SentFrame::of(number, name, path, frame), error);
}

bool HistoryRecording::frameEnded(FrameEnd end, QString *error)
{
    const FrameState state = end == FrameEnd::Complete ? FrameState::Complete
        : end == FrameEnd::CutShort                    ? FrameState::CutShort
                                                       : FrameState::Failed;
    return m_recorder && m_recorder->frameEnded(state, error);
}

void HistoryRecording::loadEnded(LoadEnd end)
{
    if (!m_recorder)
        return;
    const LoadResult result = end == LoadEnd::Finished ? LoadResult::Finished
        : end == LoadEnd::Stopped                      ? LoadResult::Stopped
                                                       : LoadResult::Failed;
    // The frames are recorded already; a load left without its end only reads as cut off.
    m_recorder->endLoad(result);
    m_recorder.reset();
    m_db.reset();
}
