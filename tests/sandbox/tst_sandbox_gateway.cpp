// The sandbox's category gateway over real HTTP: signature, key, method and
// clock checks, and the v1.0 answer shape, against the category file itself.

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
    void childrenAnswerMatchesCategoryFile_data();
    void childrenAnswerMatchesCategoryFile();
    void categoryWithoutListedChildrenIsLeaf();
    void requestedFieldsOnly();
    void timestampSpaceForms_data();
    void timestampSpaceForms();
    void refusals_data();
    void refusals();

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

void TestSandboxGateway::childrenAnswerMatchesCategoryFile_data()
{
    QTest::addColumn<QString>("parent");
    QTest::newRow("top level") << "0";
    QTest::newRow("women's clothing") << "16";
    QTest::newRow("trousers, third level") << "1622";
    QTest::newRow("leaf") << "1623";
    QTest::newRow("unknown id") << "987654321";
}

void TestSandboxGateway::childrenAnswerMatchesCategoryFile()
{
    QFETCH(QString, parent);
    const Params params = standardParams(parent, QDateTime::currentDateTime());
    const auto reply = m_sandbox.get(targetOf(params, signatureOf(params, KESTROVA_APP_SECRET)));
    QCOMPARE(reply.status, 200);
    const QDomElement root = SandboxProcess::xmlRoot(reply.body);
    QCOMPARE(root.tagName(), QStringLiteral("rsp"));

    QList<QStringList> expected; // cid, parent_cid, name, is_parent
    QSet<QString> parents;
    for (const QStringList &row : std::as_const(m_rows)) {
        if (row.value(1) == parent)
            expected.append(row);
        parents.insert(row.value(1));
    }

    // One item_cat per category directly under the root, in file (sort) order.
    const QDomNodeList records = root.childNodes();
    QCOMPARE(records.size(), expected.size());
    for (int i = 0; i < records.size(); ++i) {
        const QDomElement record = records.at(i).toElement();
        QCOMPARE(record.tagName(), QStringLiteral("item_cat"));
        QCOMPARE(childText(record, "cid"), expected[i][0]);
        QCOMPARE(childText(record, "parent_cid"), parent);
        QCOMPARE(childText(record, "name"), expected[i][2]);
        QCOMPARE(childText(record, "sort_order"), QString::number(i + 1));
        QCOMPARE(childText(record, "status"), QStringLiteral("normal"));
        QCOMPARE(childText(record, "is_parent"), parents.contains(expected[i][0])
                                                     ? QStringLiteral("true")
                                                     : QStringLiteral("false"));
    }
    if (!expected.isEmpty()) // text values travel as CDATA
        QVERIFY(reply.body.contains("<name><![CDATA[" + expected[0][2].toUtf8() + "]]></name>"));
}

void TestSandboxGateway::categoryWithoutListedChildrenIsLeaf()
{
    // The file marks some categories as parents whose children it does not hold.
    QSet<QString> parents;
    for (const QStringList &row : std::as_const(m_rows))
        parents.insert(row.value(1));
    QString cutParent;
    QString itsParent;
    for (const QStringList &row : std::as_const(m_rows)) {
        if (cutParent.isEmpty() && row.value(3) == "true" && !parents.contains(row.value(0))) {
            cutParent = row.value(0);
            itsParent = row.value(1);
        }
    }
    QVERIFY(!cutParent.isEmpty());

    const Params params = standardParams(itsParent, QDateTime::currentDateTime());
    const auto reply = m_sandbox.get(targetOf(params, signatureOf(params, KESTROVA_APP_SECRET)));
    const QDomElement root = SandboxProcess::xmlRoot(reply.body);
    bool found = false;
    for (QDomElement r = root.firstChildElement(); !r.isNull(); r = r.nextSiblingElement()) {
        if (childText(r, "cid") == cutParent) {
            found = true;
            QCOMPARE(childText(r, "is_parent"), QStringLiteral("false"));
        }
    }
    QVERIFY(found);
}

void TestSandboxGateway::requestedFieldsOnly()
{
    Params params = standardParams("16", QDateTime::currentDateTime());
    params[1].second = QStringLiteral("name,cid");
    const auto reply = m_sandbox.get(targetOf(params, signatureOf(params, KESTROVA_APP_SECRET)));
    const QDomElement record = SandboxProcess::xmlRoot(reply.body).firstChildElement("item_cat");
    QVERIFY(!record.isNull());
    QStringList tags;
    for (QDomElement e = record.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        tags.append(e.tagName());
    QCOMPARE(tags, (QStringList{"name", "cid"}));
}

void TestSandboxGateway::timestampSpaceForms_data()
{
    QTest::addColumn<QString>("space");
    QTest::newRow("raw space") << " ";
    QTest::newRow("percent 20") << "%20";
    QTest::newRow("plus") << "+";
}

void TestSandboxGateway::timestampSpaceForms()
{
    QFETCH(QString, space);
    const Params params = standardParams("16", QDateTime::currentDateTime());
    QString target = targetOf(params, signatureOf(params, KESTROVA_APP_SECRET));
    const QString stamp = params[5].second;
    target.replace(stamp, QString(stamp).replace(' ', space));
    const auto reply = m_sandbox.get(target);
    QCOMPARE(SandboxProcess::xmlRoot(reply.body).tagName(), QStringLiteral("rsp"));
}

void TestSandboxGateway::refusals_data()
{
    using Change = SignChange;
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("code");

    const auto signWith = [](const QString &secret) {
        return [secret](Params &p) { return signatureOf(p, secret); };
    };
    QTest::newRow("one character of the sign changed") << Change([](Params &p) {
        QString sign = signatureOf(p, KESTROVA_APP_SECRET);
        sign[7] = sign[7] == 'A' ? 'B' : 'A';
        return sign;
    }) << 25;
    QTest::newRow("value changed after signing") << Change([](Params &p) {
        const QString sign = signatureOf(p, KESTROVA_APP_SECRET);
        p[4].second = QStringLiteral("17");
        return sign;
    }) << 25;
    QTest::newRow("signed with another secret")
        << Change(signWith("00000000000000000000000000000000")) << 25;
    QTest::newRow("unknown application key") << Change([](Params &p) {
        p[0].second = QStringLiteral("99999999");
        return signatureOf(p, KESTROVA_APP_SECRET);
    }) << 29;
    QTest::newRow("no application key") << Change([](Params &p) {
        p.removeAt(0);
        return signatureOf(p, KESTROVA_APP_SECRET);
    }) << 28;
    QTest::newRow("other method") << Change([](Params &p) {
        p[3].second = QStringLiteral("taobao.items.get");
        return signatureOf(p, KESTROVA_APP_SECRET);
    }) << 22;
    QTest::newRow("timestamp 11 minutes old") << Change([](Params &p) {
        p[5].second = QDateTime::currentDateTime().addSecs(-660).toString("yyyy-MM-dd HH:mm:ss");
        return signatureOf(p, KESTROVA_APP_SECRET);
    }) << 31;
    QTest::newRow("timestamp 11 minutes ahead") << Change([](Params &p) {
        p[5].second = QDateTime::currentDateTime().addSecs(660).toString("yyyy-MM-dd HH:mm:ss");
        return signatureOf(p, KESTROVA_APP_SECRET);
    }) << 31;
    QTest::newRow("timestamp not a date") << Change([](Params &p) {
        p[5].second = QStringLiteral("yesterday");
        return signatureOf(p, KESTROVA_APP_SECRET);
    }) << 31;
    QTest::newRow("no timestamp") << Change([](Params &p) {
        p.removeAt(5);
        return signatureOf(p, KESTROVA_APP_SECRET);
    }) << 28;
    QTest::newRow("no parent_cid") << Change([](Params &p) {
        p.removeAt(4);
        return signatureOf(p, KESTROVA_APP_SECRET);
    }) << 28;
}

void TestSandboxGateway::refusals()
{
    using Change = SignChange;
    QFETCH(Change, change);
    QFETCH(int, code);

    // The unchanged request is accepted, so the change alone causes the refusal.
    Params params = standardParams("16", QDateTime::currentDateTime());
    const auto accepted = m_sandbox.get(targetOf(params, signatureOf(params, KESTROVA_APP_SECRET)));
    QCOMPARE(SandboxProcess::xmlRoot(accepted.body).tagName(), QStringLiteral("rsp"));

    const QString sign = change(params);
    const auto reply = m_sandbox.get(targetOf(params, sign));
    const QDomElement root = SandboxProcess::xmlRoot(reply.body);
    QCOMPARE(root.tagName(), QStringLiteral("error_rsp"));
    QCOMPARE(childText(root, "code"), QString::number(code));
    QVERIFY(!childText(root, "msg").isEmpty());
    QVERIFY(root.firstChildElement("item_cat").isNull());
}

QTEST_GUILESS_MAIN(TestSandboxGateway)
#include "tst_sandbox_gateway.moc"
