#include "PaneScripts.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

namespace PaneScripts {

namespace {

QString read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("pane script %s is missing", qPrintable(path));
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

QString resource(const QString &file)
{
    static QHash<QString, QString> read_;
    auto found = read_.find(file);
    if (found == read_.end())
        found = read_.insert(file, read(QStringLiteral(":/panes/") + file));
    return *found;
}

} // namespace

QString documentCreation()
{
    static const QString script = read(QStringLiteral(":/qtwebchannel/qwebchannel.js")) +
                                  QLatin1Char('\n') + resource(QStringLiteral("capture.js"));
    return script;
}

QString call(const QString &file, const QVariantList &arguments)
{
    const QByteArray json =
        QJsonDocument(QJsonArray::fromVariantList(arguments)).toJson(QJsonDocument::Compact);
    return resource(file) + QStringLiteral(".apply(null, ") + QString::fromUtf8(json) +
           QLatin1Char(')');
}

} // namespace PaneScripts
