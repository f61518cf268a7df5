#include "network/core/linemodel.h"

#include <algorithm>
#include <cmath>

LineModel::LineModel(int baud, int bitsPerCharacter)
    : m_usPerCharacter(1e6 * bitsPerCharacter / std::max(1, baud))
{ }

void LineModel::sent(qint64 count, qint64 nowUs)
{
    // An idle line starts on the new characters at once; a busy one after what it holds.
    m_endUs = std::max(m_endUs, double(nowUs)) + double(count) * m_usPerCharacter;
}

qint64 LineModel::aheadUs(qint64 nowUs) const
{
    return std::max<qint64>(0, qint64(std::ceil(m_endUs - double(nowUs))));
}

qint64 LineModel::room(qint64 nowUs, qint64 limitUs) const
{
    const double free = double(limitUs) - std::max(0.0, m_endUs - double(nowUs));
    return free <= 0 ? 0 : qint64(std::floor(free / m_usPerCharacter));
}
