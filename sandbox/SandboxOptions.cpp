#include "SandboxOptions.h"

#include "kestrova_config.h"

#include <QCommandLineParser>
#include <QFile>
#include <QStringDecoder>

namespace {

bool readNumber(const QCommandLineParser &parser, const QString &name, qint64 low, qint64 high,
                qint64 *value, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const qint64 number = parser.value(name).toLongLong(&ok);
    if (!ok || number < low || number > high) {
        *error = QStringLiteral("--%1 wants a number from %2 to %3").arg(name).arg(low).arg(high);
        return false;
    }
    *value = number;
    return true;
}

bool readTokens(const QString &path, QStringList *tokens, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read the tokens file %1").arg(path);
        return false;
    }
    tokens->clear();
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.isEmpty())
            tokens->append(line);
    }
    if (tokens->isEmpty()) {
        *error = QStringLiteral("the tokens file %1 holds no tokens").arg(path);
        return false;
    }
    return true;
}

} // namespace

bool SandboxOptions::parse(const QStringList &arguments, SandboxOptions *options, QString *error,
                           QString *helpText)
{
    SandboxOptions o;
    o.memberId = QStringLiteral(KESTROVA_MEMBER_ID);
    o.appKey = QStringLiteral(KESTROVA_APP_KEY);
    o.appSecret = QStringLiteral(KESTROVA_APP_SECRET);
    o.fileFolder = QStringLiteral(KESTROVA_FILE_FOLDER);
    for (const char *token : KestrovaDefaults::AccessTokens)
        o.accessTokens.append(QString::fromLatin1(token));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The sandbox marketplace: every remote party of Kestrova on one port."));
    parser.addHelpOption();
    const auto add = [&](const QString &name, const QString &description, const QString &value) {
        parser.addOption(QCommandLineOption(name, description, value));
    };
    add(QStringLiteral("port"), QStringLiteral("Port to listen on; 0 picks a free one (8780)."),
        QStringLiteral("N"));
    add(QStringLiteral("bind"), QStringLiteral("Address to bind (127.0.0.1)."),
        QStringLiteral("ADDR"));
    add(QStringLiteral("log"), QStringLiteral("Log one line per request to FILE (- for stdout)."),
        QStringLiteral("FILE"));
    add(QStringLiteral("member-id"), QStringLiteral("Affiliate member id (pid)."),
        QStringLiteral("ID"));
    add(QStringLiteral("app-key"), QStringLiteral("Open-platform application key."),
        QStringLiteral("KEY"));
    add(QStringLiteral("app-secret"), QStringLiteral("Open-platform application secret."),
        QStringLiteral("SECRET"));
    add(QStringLiteral("tokens"), QStringLiteral("File of access tokens, one a line."),
        QStringLiteral("FILE"));
    add(QStringLiteral("file-folder"), QStringLiteral("Account folder of the menu's copy."),
        QStringLiteral("NAME"));
    add(QStringLiteral("categories"),
        QStringLiteral("Category file (cid, parent_cid, name, "
                       "is_parent; tab-separated)."),
        QStringLiteral("FILE"));
    add(QStringLiteral("seed"), QStringLiteral("Seed of the generated catalogue (2009)."),
        QStringLiteral("N"));
    add(QStringLiteral("items"), QStringLiteral("Number of generated items (60000)."),
        QStringLiteral("N"));
    add(QStringLiteral("sellers"), QStringLiteral("Number of generated sellers (3000)."),
        QStringLiteral("N"));
    add(QStringLiteral("delay-ms"), QStringLiteral("Wait N ms before every answer."),
        QStringLiteral("N"));
    add(QStringLiteral("error-every"), QStringLiteral("Answer 500 to every Nth request."),
        QStringLiteral("N"));
    add(QStringLiteral("no-total-every"),
        QStringLiteral("Leave PTOTAL out of every Nth search answer."), QStringLiteral("N"));
    add(QStringLiteral("timeout-every"),
        QStringLiteral("Answer every Nth search with a time-out answer."), QStringLiteral("N"));
    parser.addOption(QCommandLineOption(QStringLiteral("no-primary-menu"),
                                        QStringLiteral("Serve no menu at /Excel/Menu.rar.")));
    add(QStringLiteral("menu-encoding"), QStringLiteral("Text encoding of the menu (GBK)."),
        QStringLiteral("NAME"));
    add(QStringLiteral("probe-encoding"),
        QStringLiteral("Text encoding of the portal page (UTF-8)."), QStringLiteral("NAME"));

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        *helpText = parser.helpText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first());
        return false;
    }

    qint64 port = o.port;
    qint64 seed = qint64(o.seed);
    qint64 items = o.itemCount;
    qint64 sellers = o.sellerCount;
    qint64 delay = 0, errorEvery = 0, noTotalEvery = 0, timeoutEvery = 0;
    if (!readNumber(parser, QStringLiteral("port"), 0, 65535, &port, error) ||
        !readNumber(parser, QStringLiteral("seed"), 0, Q_INT64_C(0x7FFFFFFFFFFFFFFF), &seed,
                    error) ||
        !readNumber(parser, QStringLiteral("items"), 0, 5000000, &items, error) ||
        !readNumber(parser, QStringLiteral("sellers"), 1, 1000000, &sellers, error) ||
        !readNumber(parser, QStringLiteral("delay-ms"), 0, 600000, &delay, error) ||
        !readNumber(parser, QStringLiteral("error-every"), 0, 1000000000, &errorEvery, error) ||
        !readNumber(parser, QStringLiteral("no-total-every"), 0, 1000000000, &noTotalEvery,
                    error) ||
        !readNumber(parser, QStringLiteral("timeout-every"), 0, 1000000000, &timeoutEvery, error))
        return false;
    o.port = quint16(port);
    o.seed = quint64(seed);
    o.itemCount = int(items);
    o.sellerCount = int(sellers);
    o.faults.delayMs = int(delay);
    o.faults.errorEvery = int(errorEvery);
    o.faults.noTotalEvery = int(noTotalEvery);
    o.faults.timeoutEvery = int(timeoutEvery);
    o.faults.noPrimaryMenu = parser.isSet(QStringLiteral("no-primary-menu"));

    const auto text = [&](const char *name, QString *target) {
        if (parser.isSet(QString::fromLatin1(name)))
            *target = parser.value(QString::fromLatin1(name));
    };
    text("bind", &o.bind);
    text("log", &o.logFile);
    text("member-id", &o.memberId);
    text("app-key", &o.appKey);
    text("app-secret", &o.appSecret);
    text("file-folder", &o.fileFolder);
    text("categories", &o.categoryFile);
    text("menu-encoding", &o.faults.menuEncoding);
    text("probe-encoding", &o.faults.probeEncoding);
    if (parser.isSet(QStringLiteral("tokens")) &&
        !readTokens(parser.value(QStringLiteral("tokens")), &o.accessTokens, error))
        return false;

    for (const QString &name : {o.faults.menuEncoding, o.faults.probeEncoding}) {
        if (!QStringDecoder(name.toLatin1().constData()).isValid()) {
            *error = QStringLiteral("unknown text encoding %1").arg(name);
            return false;
        }
    }
    *options = o;
    return true;
}
