#pragma once

#include <QList>
#include <QString>

#include <string_view>

// The parameters of a request target, in the order received. Values are
// percent-decoded as UTF-8 with "+" read as a space, the way form-style
// clients and the gateway's signers both expect. Names are decoded the same
// way, so a key sent as "mid%20" reads as "mid ".
class QueryString
{
public:
    struct Param
    {
        QString name;
        QString value;
    };

    QueryString() = default;
    // target: "/path?query" (or just the query after "?"); a "#..." tail is ignored.
    static QueryString fromTarget(std::string_view target);
    static QString decode(std::string_view text);

    const QList<Param> &params() const { return m_params; }
    bool has(const QString &name) const;
    // First value of name, or empty text.
    QString value(const QString &name) const;

private:
    QList<Param> m_params;
};
