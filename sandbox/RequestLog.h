#pragma once

#include <QFile>
#include <QMutex>
#include <QString>

// One line per request: method, target as received, status, milliseconds.
class RequestLog
{
public:
    // path: a file to append to, "-" for standard output, empty for no log.
    bool open(const QString &path, QString *error);
    void write(const QByteArray &method, const QByteArray &target, int status, double ms);

private:
    QMutex m_mutex;
    QFile m_file;
};
