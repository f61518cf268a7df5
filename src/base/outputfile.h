#pragma once

#include <QByteArray>
#include <QString>

// A file the programs make for the operator (a capture, a frame bitmap). It is written under a
// name of its own beside its place and put there whole by commit(), so a failure leaves whatever
// was there before. Only a regular file is ever replaced: a symbolic link is not followed and is
// refused, as are a folder, a device, a FIFO or a socket in the way. What goes wrong is told in
// the system's own words ("No space left on device"), also when a write got only part way.
class OutputFile
{
public:
    explicit OutputFile(const QString &path);
    ~OutputFile(); // what was not committed is thrown away
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Refuses what is in the way, then makes the new file beside it.
    bool open(QString *error = nullptr);
    bool isOpen() const { return m_handle != NoHandle; }
    bool write(const QByteArray &bytes, QString *error = nullptr);
    // Puts the file in its place; when it cannot, the new file is thrown away and the place is
    // as it was.
    bool commit(QString *error = nullptr);
    // Throws the new file away.
    void cancel();

    const QString &path() const { return m_path; }

    // Why no file may be written at path, as a clause ("it is a symbolic link, ..."); empty when
    // nothing is there or a regular file is. Platform code.
    static QString obstacle(const QString &path);

private:
    static constexpr qintptr NoHandle = -1;
    static constexpr int BufferSize = 1 << 16;

    bool fail(const QString &why, QString *error);
    bool writeBuffer(QString *error);
    // Platform code: each says why not in *why.
    bool createBeside(QString *why);
    bool writeAll(const char *data, qint64 size, QString *why);
    bool closeSynced(QString *why);
    bool moveIntoPlace(QString *why);
    void closeAndRemove();

    QString m_path;
    QString m_temporary; // the new file's name until it is in place or thrown away
    qintptr m_handle = NoHandle;
    QByteArray m_buffer;
    QString m_failure; // the first write error, told again by commit()
};
