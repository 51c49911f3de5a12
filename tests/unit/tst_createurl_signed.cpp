#include "tst_createurl_fixture.h"

#include "requests/CreateURL.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

using namespace CreateURL;
using namespace CreateUrlFixture;

namespace {

const QStringList SortedNames = {QStringLiteral("api_key"),    QStringLiteral("fields"),
                                 QStringLiteral("format"),     QStringLiteral("method"),
                                 QStringLiteral("parent_cid"), QStringLiteral("timestamp"),
                                 QStringLiteral("v")};

// The documented signature rule: upper-case MD5 of the secret followed by each name and
// value in name order, over UTF-8 with "+" counted as a space.
QString expectedSign(const QString &parentCid, const QString &timestamp)
{
    const QString text = AppSecret + QStringLiteral("api_key") + AppKey +
                         QStringLiteral("fieldscid,parent_cid,name,is_parent,status,sort_order") +
                         QStringLiteral("formatxml") +
                         QStringLiteral("methodtaobao.itemcats.get.v2") +
                         QStringLiteral("parent_cid") + parentCid + QStringLiteral("timestamp") +
                         timestamp + QStringLiteral("v1.0");
    QString spaced = text;
    spaced.replace(QLatin1Char('+'), QLatin1Char(' '));
    return QString::fromLatin1(
        QCryptographicHash::hash(spaced.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
}

} // namespace

// The signed open-platform request and the parameter sort behind it.
class TestCreateURLSigned : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void itemCatsUrl_data();
    void itemCatsUrl();
    void itemCatsUrlIndependentOfPivots();
    void itemCatsUrlReadsLocalClock();
    void sortParamsEveryOrder();
    void sortParamsSubrange();
    void sortParamsDrawsPerPartition();
    void sortParamsPivotRule_data();
    void sortParamsPivotRule();
    void itemCatsDrawsEqualPartitions();
};

void TestCreateURLSigned::init()
{
    install();
}

void TestCreateURLSigned::itemCatsUrl_data()
{
    QTest::addColumn<QString>("parentCid");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("encodedCid");
    QTest::addColumn<QString>("timestamp");

    QTest::newRow("top level") << QStringLiteral("0")
                               << QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))
                               << QStringLiteral("0") << QStringLiteral("2024-03-05 07:08:09");
    QTest::newRow("afternoon, 24-hour clock")
        << QStringLiteral("50010850") << QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58))
        << QStringLiteral("50010850") << QStringLiteral("1999-12-31 23:59:58");
    QTest::newRow("empty id") << QString() << QDateTime(QDate(2010, 1, 1), QTime(0, 0, 0))
                              << QString() << QStringLiteral("2010-01-01 00:00:00");
    QTest::newRow("non-ASCII id escaped, signed raw")
        << QStringLiteral("\u4E2D1") << QDateTime(QDate(2024, 3, 5), QTime(12, 0, 0))
        << QStringLiteral("%E4%B8%AD1") << QStringLiteral("2024-03-05 12:00:00");
    QTest::newRow("plus signed as space")
        << QStringLiteral("1+2") << QDateTime(QDate(2024, 3, 5), QTime(12, 0, 1))
        << QStringLiteral("1+2") << QStringLiteral("2024-03-05 12:00:01");
}

void TestCreateURLSigned::itemCatsUrl()
{
    QFETCH(QString, parentCid);
    QFETCH(QDateTime, time);
    QFETCH(QString, encodedCid);
    QFETCH(QString, timestamp);

    const QString sign = expectedSign(parentCid, timestamp);
    const QString expected =
        QStringLiteral("http://gateway.example:8082/router/rest?"
                       "api_key=27182818"
                       "&fields=cid,parent_cid,name,is_parent,status,sort_order"
                       "&format=xml&method=taobao.itemcats.get.v2&parent_cid=") +
        encodedCid + QStringLiteral("&timestamp=") + timestamp + QStringLiteral("&v=1.0&sign=") +
        sign;
    const QString url = BuildItemCatsUrl(parentCid, time);
    QCOMPARE(url, expected);
    QVERIFY(QRegularExpression(QStringLiteral("&sign=[0-9A-F]{32}$")).match(url).hasMatch());
    QVERIFY(!url.contains(QStringLiteral("&&")));
}

void TestCreateURLSigned::itemCatsUrlIndependentOfPivots()
{
    // Two calls in the same second draw different pivots but give the same URL.
    const QDateTime time(QDate(2024, 3, 5), QTime(7, 8, 9));
    const QString first = BuildItemCatsUrl(QStringLiteral("16"), time);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(BuildItemCatsUrl(QStringLiteral("16"), time), first);
}

void TestCreateURLSigned::itemCatsUrlReadsLocalClock()
{
    const QDateTime before = QDateTime::currentDateTime();
    const QString url = BuildItemCatsUrl(QStringLiteral("16"));
    const QDateTime after = QDateTime::currentDateTime();

    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("&timestamp=([^&]*)&")).match(url);
    QVERIFY(match.hasMatch());
    const QString timestamp = match.captured(1);
    const QDateTime stamped =
        QDateTime::fromString(timestamp, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QVERIFY2(stamped.isValid(), qPrintable(timestamp));
    QVERIFY(stamped >= before.addMSecs(-before.time().msec()));
    QVERIFY(stamped <= after);
    QVERIFY(url.endsWith(QStringLiteral("&sign=") + expectedSign(QStringLiteral("16"), timestamp)));
}

void TestCreateURLSigned::sortParamsEveryOrder()
{
    const ParamTable rows =
        ItemCatsParams(QStringLiteral("16"), QStringLiteral("2024-03-05 07:08:09"));
    QCOMPARE(rows.size(), 7);

    std::array<int, 7> order = {0, 1, 2, 3, 4, 5, 6};
    int permutations = 0;
    do {
        ParamTable table;
        for (const int i : order)
            table.append(rows.at(i));
        SortParams(table, 0, 6);
        QStringList names;
        for (const ParamRow &row : table) {
            names.append(row.name);
            const auto source = std::find_if(rows.begin(), rows.end(),
                                             [&](const ParamRow &r) { return r.name == row.name; });
            QVERIFY(source != rows.end());
            QCOMPARE(row.value, source->value);
        }
        QCOMPARE(names, SortedNames);
        ++permutations;
    } while (std::next_permutation(order.begin(), order.end()));
    QCOMPARE(permutations, 5040);
}

void TestCreateURLSigned::sortParamsSubrange()
{
    ParamTable table;
    for (const QString &name : {QStringLiteral("z"), QStringLiteral("e"), QStringLiteral("d"),
                                QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")})
        table.append({name.toUpper(), name});
    SortParams(table, 1, 4);
    QStringList names;
    for (const ParamRow &row : table) {
        names.append(row.name);
        QCOMPARE(row.value, row.name.toUpper());
    }
    QCOMPARE(names, QStringList({"z", "b", "c", "d", "e", "a"}));

    // Names compare by UTF-16 unit: upper case and "_" before lower case.
    ParamTable mixed = {{"1", "b"}, {"2", "B"}, {"3", "_"}, {"4", "a"}};
    SortParams(mixed, 0, 3);
    QCOMPARE(mixed.at(0).name, QStringLiteral("B"));
    QCOMPARE(mixed.at(1).name, QStringLiteral("_"));
    QCOMPARE(mixed.at(2).name, QStringLiteral("a"));
    QCOMPARE(mixed.at(3).name, QStringLiteral("b"));
}

void TestCreateURLSigned::sortParamsDrawsPerPartition()
{
    // One or two rows draw nothing; each partitioning call draws exactly one value.
    const std::vector<float> reference = referenceSequence(400);
    ParamTable two = {{"1", "b"}, {"2", "a"}};
    QCOMPARE(SortParams(two, 0, 1), 0);
    QCOMPARE(two.at(0).name, QStringLiteral("a"));
    QCOMPARE(SortParams(two, 1, 1), 0);
    QCOMPARE(SortParams(two, 1, 0), 0);
    QCOMPARE(RandomGenerator::next(), reference[0]);

    RandomGenerator::restart();
    // Tables of 3 to 12 rows sorted one after the other; the generator must have moved
    // by exactly the partitioning calls reported.
    int consumed = 0;
    for (int size = 3; size <= 12; ++size) {
        ParamTable table;
        for (int i = 0; i < size; ++i)
            table.append({QString::number(i), QStringLiteral("n%1").arg((i * 37 + 11) % 101)});
        const int partitions = SortParams(table, 0, size - 1);
        QVERIFY(partitions >= 1);
        consumed += partitions;
        for (int i = 1; i < size; ++i)
            QVERIFY(table.at(i - 1).name < table.at(i).name);
    }
    QCOMPARE(RandomGenerator::next(), reference[consumed]);
}

void TestCreateURLSigned::sortParamsPivotRule_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("extremes"); // names whose choice as pivot leaves three rows

    QTest::newRow("ascending") << QStringList{"a", "b", "c", "d"} << QStringLiteral("ad");
    QTest::newRow("descending") << QStringList{"d", "c", "b", "a"} << QStringLiteral("ad");
    QTest::newRow("extremes inside") << QStringList{"b", "a", "d", "c"} << QStringLiteral("ad");
}

void TestCreateURLSigned::sortParamsPivotRule()
{
    // Four rows: the pivot is row floor(r * 3), never the last. An extreme name as pivot
    // leaves three rows to partition again (two draws); a middle one does not (one draw).
    QFETCH(QStringList, names);
    QFETCH(QString, extremes);
    const int span = 300;
    const std::vector<float> reference = referenceSequence(span + 10);
    QSet<int> counts;
    for (int start = 0; start < span; ++start) {
        RandomGenerator::restart();
        for (int i = 0; i < start; ++i)
            RandomGenerator::next();
        ParamTable table;
        for (const QString &name : names)
            table.append({name.toUpper(), name});
        const int pivotRow = int(std::floor(double(reference[start]) * 3));
        const int expected = extremes.contains(names.at(pivotRow)) ? 2 : 1;

        QCOMPARE(SortParams(table, 0, 3), expected);
        QCOMPARE(RandomGenerator::next(), reference[start + expected]);
        QStringList sorted;
        for (const ParamRow &row : table) {
            sorted.append(row.name);
            QCOMPARE(row.value, row.name.toUpper());
        }
        QCOMPARE(sorted, (QStringList{"a", "b", "c", "d"}));
        counts.insert(expected);
    }
    QCOMPARE(counts.size(), 2);
}

void TestCreateURLSigned::itemCatsDrawsEqualPartitions()
{
    const int span = 300;
    const std::vector<float> reference = referenceSequence(span + 50);
    const QDateTime time(QDate(2024, 3, 5), QTime(7, 8, 9));
    QSet<int> seen;
    for (int start = 0; start < span; ++start) {
        // The partitioning calls a sort makes from this generator position ...
        RandomGenerator::restart();
        for (int i = 0; i < start; ++i)
            RandomGenerator::next();
        ParamTable table = ItemCatsParams(QStringLiteral("16"), QStringLiteral("x"));
        const int partitions = SortParams(table, 0, 6);

        // ... against the values one BuildItemCatsUrl takes from the same position.
        RandomGenerator::restart();
        for (int i = 0; i < start; ++i)
            RandomGenerator::next();
        BuildItemCatsUrl(QStringLiteral("16"), time);
        const float following = RandomGenerator::next();
        const auto at = std::find(reference.begin() + start, reference.end(), following);
        QVERIFY(at != reference.end());
        QCOMPARE(int(at - reference.begin()) - start, partitions);
        seen.insert(partitions);
    }
    // Seven rows take two to five partitioning calls depending on the pivots drawn.
    QVERIFY2(seen.size() >= 2, "the draw count never varied");
    for (const int count : seen)
        QVERIFY(count >= 2 && count <= 5);
}

QTEST_APPLESS_MAIN(TestCreateURLSigned)
#include "tst_createurl_signed.moc"
