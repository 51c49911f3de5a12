// The sandbox's category gateway over real HTTP, one table of requests: the v1.0
// answer against the category file itself, and the signature, key, method and
// clock checks.

#include "support/SandboxProcess.h"

#include "kestrova_config.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QSet>
#include <QtTest>

#include <functional>

namespace {

using Params = QList<QPair<QString, QString>>;
// Changes a standard request and returns the sign to send with it.
using SignChange = std::function<QString(Params &)>;

// The documented rule, written out here independently of the server's code.
QString signatureOf(const Params &params, const QString &secret)
{
    Params sorted = params;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QString text = secret;
    for (const auto &p : sorted)
        text += p.first + p.second;
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
}

Params standardParams(const QString &parent, const QDateTime &when)
{
    return {{"api_key", KESTROVA_APP_KEY},
            {"fields", "cid,parent_cid,name,is_parent,status,sort_order"},
            {"format", "xml"},
            {"method", "taobao.itemcats.get.v2"},
            {"parent_cid", parent},
            {"timestamp", when.toString("yyyy-MM-dd HH:mm:ss")},
            {"v", "1.0"}};
}

// Values unencoded, as the program composes the URL; the transport escapes the space.
QString targetOf(const Params &params, const QString &sign)
{
    QString target = QStringLiteral("/router/rest?");
    for (const auto &p : params)
        target += p.first + '=' + p.second + '&';
    return target + QStringLiteral("sign=") + sign;
}

QString childText(const QDomElement &element, const QString &tag)
{
    return element.firstChildElement(tag).text();
}

} // namespace

Q_DECLARE_METATYPE(SignChange)

class TestSandboxGateway : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void requests_data();
    void requests();

private:
    SandboxProcess m_sandbox;
    QList<QStringList> m_rows;
};

void TestSandboxGateway::initTestCase()
{
    if (SandboxProcess::executable().isEmpty())
        QSKIP("built without the sandbox");
    m_rows = SandboxProcess::categoryRows();
    QVERIFY(m_rows.size() > 4000);
    QVERIFY2(m_sandbox.start(), "the sandbox did not start");
}

void TestSandboxGateway::requests_data()
{
    using Change = SignChange;
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("space"); // the timestamp's blank as sent
    QTest::addColumn<Change>("change"); // none: signed as it is
    QTest::addColumn<int>("code");      // of the error answer; 0: answered

    const QString all = standardParams("0", QDateTime())[1].second;
    const auto answered = [&](const char *name, const QString &parent,
                              const QString &fields = QString(), const QString &space = " ") {
        QTest::newRow(name) << parent << (fields.isEmpty() ? all : fields) << space << Change()
                            << 0;
    };
    answered("top level", "0");
    answered("women's clothing", "16");
    answered("trousers, third level", "1622");
    answered("leaf", "1623");
    answered("unknown id", "987654321");
    // The file marks some categories as parents whose children it does not hold: they
    // are answered as leaves.
    QSet<QString> parents;
    for (const QStringList &row : std::as_const(m_rows))
        parents.insert(row.value(1));
    QString cutParent;
    for (const QStringList &row : std::as_const(m_rows)) {
        if (row.value(3) == "true" && !parents.contains(row.value(0))) {
            cutParent = row.value(1);
            break;
        }
    }
    answered("marked a parent, no children listed", cutParent);
    answered("requested fields only", "16", "name,cid");
    answered("timestamp with a raw space", "16", QString(), " ");
    answered("timestamp with percent 20", "16", QString(), "%20");
    answered("timestamp with plus", "16", QString(), "+");

    const auto refused = [&](const char *name, const Change &change, int code) {
        QTest::newRow(name) << "16" << all << " " << change << code;
    };
    const auto signWith = [](const QString &secret) {
        return [secret](Params &p) { return signatureOf(p, secret); };
    };
    refused(
        "one character of the sign changed",
        [](Params &p) {
            QString sign = signatureOf(p, KESTROVA_APP_SECRET);
            sign[7] = sign[7] == 'A' ? 'B' : 'A';
            return sign;
        },
        25);
    refused(
        "value changed after signing",
        [](Params &p) {
            const QString sign = signatureOf(p, KESTROVA_APP_SECRET);
            p[4].second = QStringLiteral("17");
            return sign;
        },
        25);
    refused("signed with another secret", signWith("00000000000000000000000000000000"), 25);
    refused(
        "unknown application key",
        [](Params &p) {
            p[0].second = QStringLiteral("99999999");
            return signatureOf(p, KESTROVA_APP_SECRET);
        },
        29);
    refused(
        "no application key",
        [](Params &p) {
            p.removeAt(0);
            return signatureOf(p, KESTROVA_APP_SECRET);
        },
        28);
    refused(
        "other method",
        [](Params &p) {
            p[3].second = QStringLiteral("taobao.items.get");
            return signatureOf(p, KESTROVA_APP_SECRET);
        },
        22);
    refused(
        "timestamp 11 minutes old",
        [](Params &p) {
            p[5].second =
                QDateTime::currentDateTime().addSecs(-660).toString("yyyy-MM-dd HH:mm:ss");
            return signatureOf(p, KESTROVA_APP_SECRET);
        },
        31);
    refused(
        "timestamp 11 minutes ahead",
        [](Params &p) {
            p[5].second = QDateTime::currentDateTime().addSecs(660).toString("yyyy-MM-dd HH:mm:ss");
            return signatureOf(p, KESTROVA_APP_SECRET);
        },
        31);
    refused(
        "timestamp not a date",
        [](Params &p) {
            p[5].second = QStringLiteral("yesterday");
            return signatureOf(p, KESTROVA_APP_SECRET);
        },
        31);
    refused(
        "no timestamp",
        [](Params &p) {
            p.removeAt(5);
            return signatureOf(p, KESTROVA_APP_SECRET);
        },
        28);
    refused(
        "no parent_cid",
        [](Params &p) {
            p.removeAt(4);
            return signatureOf(p, KESTROVA_APP_SECRET);
        },
        28);
}

void TestSandboxGateway::requests()
{
    using Change = SignChange;
    QFETCH(QString, parent);
    QFETCH(QString, fields);
    QFETCH(QString, space);
    QFETCH(Change, change);
    QFETCH(int, code);
    QVERIFY2(!parent.isEmpty(), "no such category in the file");

    Params params = standardParams(parent, QDateTime::currentDateTime());
    params[1].second = fields;
    if (code != 0) {
        // The unchanged request is accepted, so the change alone causes the refusal.
        const auto accepted =
            m_sandbox.get(targetOf(params, signatureOf(params, KESTROVA_APP_SECRET)));
        QCOMPARE(SandboxProcess::xmlRoot(accepted.body).tagName(), QStringLiteral("rsp"));
    }
    const QString stamp = params[5].second;
    const QString sign = change ? change(params) : signatureOf(params, KESTROVA_APP_SECRET);
    QString target = targetOf(params, sign);
    if (space != " ")
        target.replace(stamp, QString(stamp).replace(' ', space));
    const auto reply = m_sandbox.get(target);
    const QDomElement root = SandboxProcess::xmlRoot(reply.body);

    if (code != 0) {
        QCOMPARE(root.tagName(), QStringLiteral("error_rsp"));
        QCOMPARE(childText(root, "code"), QString::number(code));
        QVERIFY(!childText(root, "msg").isEmpty());
        QVERIFY(root.firstChildElement("item_cat").isNull());
        return;
    }
    QCOMPARE(reply.status, 200);
    QCOMPARE(root.tagName(), QStringLiteral("rsp"));

    QList<QStringList> expected; // cid, parent_cid, name, is_parent
    QSet<QString> parents;
    for (const QStringList &row : std::as_const(m_rows)) {
        if (row.value(1) == parent)
            expected.append(row);
        parents.insert(row.value(1));
    }

    // One item_cat per category directly under the parent, in file (sort) order, with
    // the fields asked for in the order asked.
    const QStringList asked = fields.split(',');
    const QDomNodeList records = root.childNodes();
    QCOMPARE(records.size(), expected.size());
    for (int i = 0; i < records.size(); ++i) {
        const QDomElement record = records.at(i).toElement();
        QCOMPARE(record.tagName(), QStringLiteral("item_cat"));
        const QMap<QString, QString> values = {{"cid", expected[i][0]},
                                               {"parent_cid", parent},
                                               {"name", expected[i][2]},
                                               {"sort_order", QString::number(i + 1)},
                                               {"status", QStringLiteral("normal")},
                                               {"is_parent", parents.contains(expected[i][0])
                                                                 ? QStringLiteral("true")
                                                                 : QStringLiteral("false")}};
        QStringList tags;
        for (QDomElement e = record.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            tags.append(e.tagName());
            QCOMPARE(e.text(), values.value(e.tagName()));
        }
        QCOMPARE(tags, asked);
    }
    if (!expected.isEmpty()) // text values travel as CDATA
        QVERIFY(reply.body.contains("<name><![CDATA[" + expected[0][2].toUtf8() + "]]></name>"));
}

QTEST_GUILESS_MAIN(TestSandboxGateway)
#include "tst_sandbox_gateway.moc"
