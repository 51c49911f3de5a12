#include "ItemCatsGateway.h"

#include "CategoryTree.h"
#include "XmlText.h"

#include <QCryptographicHash>

#include <algorithm>

namespace {

const QString MethodName = QStringLiteral("taobao.itemcats.get.v2");
const QString TimestampFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
constexpr qint64 ClockSkewSeconds = 10 * 60;

const QStringList &knownFields()
{
    static const QStringList fields = {QStringLiteral("cid"),    QStringLiteral("parent_cid"),
                                       QStringLiteral("name"),   QStringLiteral("is_parent"),
                                       QStringLiteral("status"), QStringLiteral("sort_order")};
    return fields;
}

} // namespace

ItemCatsGateway::ItemCatsGateway(const CategoryTree &tree, const QString &appKey,
                                 const QString &appSecret)
    : m_tree(tree), m_appKey(appKey), m_appSecret(appSecret)
{}

QString ItemCatsGateway::signatureOf(const QList<QueryString::Param> &params, const QString &secret)
{
    QList<QueryString::Param> signedParams;
    for (const QueryString::Param &param : params) {
        if (param.name != QLatin1String("sign"))
            signedParams.append(param);
    }
    std::stable_sort(signedParams.begin(), signedParams.end(),
                     [](const auto &a, const auto &b) { return a.name < b.name; });
    QString text = secret;
    for (const QueryString::Param &param : std::as_const(signedParams))
        text += param.name + param.value;
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
}

QByteArray ItemCatsGateway::refusal(int code, const QString &message)
{
    return QByteArray(XmlText::Declaration) + "<error_rsp><code>" + QByteArray::number(code) +
           "</code><msg>" + XmlText::escaped(message) + "</msg></error_rsp>";
}

QByteArray ItemCatsGateway::answer(const QueryString &query, const QDateTime &now) const
{
    const auto missing = [&](const char *name) { return !query.has(QString::fromLatin1(name)); };
    const auto missingRefusal = [](const char *name) {
        return refusal(
            MissingParameter,
            QStringLiteral("Missing required parameter: %1").arg(QString::fromLatin1(name)));
    };

    if (missing("api_key"))
        return missingRefusal("api_key");
    if (query.value(QStringLiteral("api_key")) != m_appKey)
        return refusal(InvalidAppKey, QStringLiteral("Invalid app key"));
    if (missing("method"))
        return refusal(MissingMethod, QStringLiteral("Missing method"));
    if (query.value(QStringLiteral("method")) != MethodName)
        return refusal(InvalidMethod, QStringLiteral("Invalid method"));
    if (missing("timestamp"))
        return missingRefusal("timestamp");
    QDateTime stamp =
        QDateTime::fromString(query.value(QStringLiteral("timestamp")), TimestampFormat);
    if (!stamp.isValid() || qAbs(stamp.secsTo(now)) > ClockSkewSeconds)
        return refusal(InvalidTimestamp, QStringLiteral("Invalid timestamp"));
    if (missing("sign"))
        return missingRefusal("sign");
    if (query.value(QStringLiteral("sign")) != signatureOf(query.params(), m_appSecret))
        return refusal(InvalidSignature, QStringLiteral("Invalid signature"));
    if (missing("parent_cid"))
        return missingRefusal("parent_cid");
    if (missing("fields"))
        return missingRefusal("fields");
    const QString format = query.value(QStringLiteral("format"));
    if (!format.isEmpty() && format != QLatin1String("xml"))
        return refusal(InvalidArguments, QStringLiteral("Invalid arguments: format"));

    bool ok = false;
    const qint64 parent = query.value(QStringLiteral("parent_cid")).trimmed().toLongLong(&ok);
    if (!ok || parent < 0)
        return refusal(InvalidArguments, QStringLiteral("Invalid arguments: parent_cid"));
    QStringList fields;
    for (const QString &field : query.value(QStringLiteral("fields")).split(QLatin1Char(','))) {
        const QString name = field.trimmed();
        if (knownFields().contains(name) && !fields.contains(name))
            fields.append(name);
    }
    if (fields.isEmpty())
        return refusal(InvalidArguments, QStringLiteral("Invalid arguments: fields"));
    return categories(parent, fields);
}

QByteArray ItemCatsGateway::categories(qint64 parentCid, const QStringList &fields) const
{
    QByteArray out = XmlText::Declaration;
    out += "<rsp>";
    // Children are kept in file order, which is their sort order.
    for (int index : m_tree.childrenOf(parentCid)) {
        const CategoryTree::Node &node = m_tree.node(index);
        out += "<item_cat>";
        for (const QString &field : fields) {
            const QByteArray tag = field.toLatin1();
            out += '<' + tag + '>';
            if (field == QLatin1String("cid"))
                out += QByteArray::number(node.cid);
            else if (field == QLatin1String("parent_cid"))
                out += QByteArray::number(node.parentCid);
            else if (field == QLatin1String("name"))
                out += XmlText::cdata(node.name);
            else if (field == QLatin1String("is_parent"))
                out += node.isLeaf() ? "false" : "true";
            else if (field == QLatin1String("status"))
                out += XmlText::cdata(QStringLiteral("normal"));
            else if (field == QLatin1String("sort_order"))
                out += QByteArray::number(node.sortOrder);
            out += "</" + tag + '>';
        }
        out += "</item_cat>";
    }
    out += "</rsp>";
    return out;
}
