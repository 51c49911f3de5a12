#include "RequestLog.h"

#include <cstdio>

bool RequestLog::open(const QString &path, QString *error)
{
    if (path.isEmpty())
        return true;
    const bool ok =
        path == QLatin1String("-")
            ? m_file.open(stdout, QIODevice::WriteOnly)
            : (m_file.setFileName(path), m_file.open(QIODevice::WriteOnly | QIODevice::Append));
    if (!ok)
        *error = QStringLiteral("cannot write the log %1: %2").arg(path, m_file.errorString());
    return ok;
}

void RequestLog::write(const QByteArray &method, const QByteArray &target, int status, double ms)
{
    if (!m_file.isOpen())
        return;
    const QByteArray line = method + ' ' + target + ' ' + QByteArray::number(status) + ' ' +
                            QByteArray::number(ms, 'f', 1) + "ms\n";
    QMutexLocker lock(&m_mutex);
    m_file.write(line);
    m_file.flush();
}
