#pragma once

#include "QueryString.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

class CategoryTree;

// The open platform's REST gateway for "taobao.itemcats.get.v2", answering as
// the v1.0 XML gateway did: <rsp> with one <item_cat> per category, or
// <error_rsp> with a code and a message.
class ItemCatsGateway
{
public:
    ItemCatsGateway(const CategoryTree &tree, const QString &appKey, const QString &appSecret);

    QByteArray answer(const QueryString &query, const QDateTime &now) const;

    // Upper-case hex MD5 of the secret followed by every parameter but "sign",
    // names in ordinal order, each name then its value.
    static QString signatureOf(const QList<QueryString::Param> &params, const QString &secret);

    static constexpr int MissingMethod = 21;
    static constexpr int InvalidMethod = 22;
    static constexpr int InvalidSignature = 25;
    static constexpr int MissingParameter = 28;
    static constexpr int InvalidAppKey = 29;
    static constexpr int InvalidTimestamp = 31;
    static constexpr int InvalidArguments = 41;

private:
    static QByteArray refusal(int code, const QString &message);
    QByteArray categories(qint64 parentCid, const QStringList &fields) const;

    const CategoryTree &m_tree;
    QString m_appKey;
    QString m_appSecret;
};
