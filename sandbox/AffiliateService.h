#pragma once

#include "QueryString.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

class Catalogue;
class ItemSearch;

// The affiliate RPC service: item search and link codes. Both check the
// caller's access token ("pw") and affiliate member id ("pid").
class AffiliateService
{
public:
    enum class SearchFault { None, NoTotal, Timeout };

    AffiliateService(const Catalogue &catalogue, const ItemSearch &search, const QString &memberId,
                     const QStringList &storedTokens);

    // Empty when the caller may proceed, else the reason it may not.
    QString refusalReason(const QueryString &query) const;
    static QByteArray refusal(const QString &reason);

    // baseUrl: "http://host:port", as the caller reached this server.
    QByteArray searchAnswer(const QueryString &query, const QString &baseUrl,
                            SearchFault fault) const;
    QByteArray linkCodeAnswer(const QueryString &query, const QString &baseUrl) const;

    // A token as the pool stores it ("kP3%2Bxq7=") read the way it arrives ("kP3+xq7=").
    static QString decodedToken(const QString &stored);

private:
    const Catalogue &m_catalogue;
    const ItemSearch &m_search;
    QString m_memberId;
    QSet<QString> m_tokens; // decoded
};
