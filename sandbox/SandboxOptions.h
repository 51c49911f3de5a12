#pragma once

#include <QString>
#include <QStringList>

// Misbehaviour on demand, so tests can watch the program cope with it.
struct FaultOptions
{
    int delayMs = 0;      // wait before every answer
    int errorEvery = 0;   // every Nth request answers 500
    int noTotalEvery = 0; // every Nth search answer lacks PTOTAL
    int timeoutEvery = 0; // every Nth search answer is a time-out answer
    bool noPrimaryMenu = false;
    QString menuEncoding = QStringLiteral("GBK");
    QString probeEncoding = QStringLiteral("UTF-8");
};

struct SandboxOptions
{
    quint16 port = 8780;
    QString bind = QStringLiteral("127.0.0.1");
    QString logFile; // "-" for standard output
    QString memberId;
    QString appKey;
    QString appSecret;
    QStringList accessTokens; // as stored: some percent-encoded
    QString fileFolder;
    QString categoryFile; // empty: the compiled-in tree
    quint64 seed = 2009;
    int itemCount = 60000;
    int sellerCount = 3000;
    FaultOptions faults;

    // Defaults are the program's compiled-in configuration. On failure, error
    // holds the reason; with --help, helpText is set and the result is false.
    static bool parse(const QStringList &arguments, SandboxOptions *options, QString *error,
                      QString *helpText);
};
