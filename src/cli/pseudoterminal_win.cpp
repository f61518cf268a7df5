#include "cli/pseudoterminal.h"

// Windows has no pseudo-terminals: drelin-device listens on a COM port (--device COMn), one end of
// a null-modem cable or of a virtual port pair.

#include <QTextStream>

namespace PseudoTerminal {

bool available()
{
    return false;
}

bool listen(const std::function<void(const QByteArray &)> &, const std::function<qint64(qint64)> &, QTextStream &,
            QTextStream &err, const std::atomic<int> &)
{
    err << QStringLiteral("Windows has no pseudo-terminals: use --device COMn") << Qt::endl;
    return false;
}

} // namespace PseudoTerminal
