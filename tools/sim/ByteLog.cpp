#include "ByteLog.h"

namespace zkd::sim {

std::optional<QString> ByteLog::open(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        return QStringLiteral("cannot open %1: %2").arg(path, m_file.errorString());
    return std::nullopt;
}

void ByteLog::append(const QByteArray &bytes)
{
    if (!m_file.isOpen() || bytes.isEmpty())
        return;
    m_appended += m_file.write(bytes);
    m_file.flush();
}

void ByteLog::retract(qint64 count)
{
    if (!m_file.isOpen() || count <= 0)
        return;
    const qint64 taken = qMin(count, m_appended);
    m_file.flush();
    if (m_file.resize(m_file.size() - taken))
        m_appended -= taken;
}

} // namespace zkd::sim
