#include "base/outputfile.h"

// What every platform does alike; making, writing and placing the file are in outputfile_unix.cpp
// and outputfile_win.cpp.

OutputFile::OutputFile(const QString &path)
    : m_path(path)
{ }

OutputFile::~OutputFile()
{
    cancel();
}

bool OutputFile::fail(const QString &why, QString *error)
{
    if (error)
        *error = why;
    return false;
}

bool OutputFile::open(QString *error)
{
    if (isOpen())
        return true;
    m_failure.clear();
    const QString inTheWay = obstacle(m_path);
    if (!inTheWay.isEmpty())
        return fail(inTheWay, error);
    QString why;
    return createBeside(&why) || fail(why, error);
}

bool OutputFile::write(const QByteArray &bytes, QString *error)
{
    if (!m_failure.isEmpty())
        return fail(m_failure, error);
    if (!isOpen())
        return fail(QStringLiteral("the file is not open"), error);
    // Captures come in pieces of a few characters: they go out to the system in large ones.
    m_buffer += bytes;
    return m_buffer.size() < BufferSize || writeBuffer(error);
}

bool OutputFile::writeBuffer(QString *error)
{
    QString why;
    const bool written = writeAll(m_buffer.constData(), m_buffer.size(), &why);
    m_buffer.clear();
    if (written)
        return true;
    m_failure = why;
    return fail(why, error);
}

bool OutputFile::commit(QString *error)
{
    if (!m_failure.isEmpty() || !isOpen()) {
        const QString why = m_failure.isEmpty() ? QStringLiteral("the file is not open") : m_failure;
        cancel();
        return fail(why, error);
    }
    QString why;
    if (!writeBuffer(&why) || !closeSynced(&why) || !moveIntoPlace(&why)) {
        cancel();
        return fail(why, error);
    }
    m_temporary.clear();
    return true;
}

void OutputFile::cancel()
{
    m_buffer.clear();
    closeAndRemove();
    m_temporary.clear();
}
