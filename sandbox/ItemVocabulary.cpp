#include "ItemVocabulary.h"

#include "SeededRandom.h"

#include <QtMath>

namespace ItemVocabulary {
namespace {

#define VOCABULARY(function, ...)                                                                  \
    const QStringList &function()                                                                  \
    {                                                                                              \
        static const char *const list[] = {__VA_ARGS__};                                           \
        static const QStringList cache = [] {                                                      \
            QStringList out;                                                                       \
            for (const char *word : list)                                                          \
                out.append(QString::fromUtf8(word));                                               \
            return out;                                                                            \
        }();                                                                                       \
        return cache;                                                                              \
    }

VOCABULARY(fashionBrands, "韩依坊", "梦丽莎", "衣香丽人", "俏佳人", "伊韵儿", "丽人坊", "花语轩",
           "米兰风尚", "雅丽格", "欧莎莉", "天使之城", "都市丽影", "淑女坊", "左岸时光", "MissKa",
           "LOVEMI", "摩登衣橱", "简爱", "柠檬绿茶", "糖果屋", "蔓妮", "芭比衣橱", "Yoyo家")
VOCABULARY(fashionWords, "韩版", "欧美风", "修身", "显瘦", "甜美", "淑女", "百搭", "复古", "简约",
           "时尚", "气质", "优雅", "休闲", "宽松", "加厚", "纯棉", "蕾丝", "印花", "碎花", "条纹",
           "格子", "荷叶边", "长袖", "短袖", "高腰", "收腰", "学院风", "日系", "通勤", "名媛",
           "中长款", "双排扣", "针织", "雪纺", "毛呢", "保暖")
VOCABULARY(fashionSeasons, "2009新款", "2009秋冬新款", "2009冬装", "09秋装", "2010春装新款",
           "冬季新品", "秋季新款", "夏季热卖", "2009年新品", "秋冬")
VOCABULARY(digitalBrands, "星辰", "蓝海", "极光", "天翼", "锐酷", "卓越", "方舟", "雷霆", "智睿",
           "飞鸿", "NOVA", "Kivo", "金科")
VOCABULARY(digitalWords, "正品行货", "全国联保", "超薄", "高清", "大容量", "无线", "便携", "原装",
           "升级版", "豪华版", "官方标配", "高速", "静音", "触摸屏", "蓝牙", "双核", "黑色", "白色",
           "银色", "二手九成新")
VOCABULARY(digitalSeasons, "2009新款", "2009年新款", "09款", "最新款", "2010新品")
VOCABULARY(generalBrands, "佳家", "乐居", "优品", "百纳", "福满堂", "金太阳", "绿源", "御品",
           "欧丽雅", "美家", "宜生", "好日子", "千禧")
VOCABULARY(generalWords, "正品", "精品", "实惠装", "新款", "环保", "家用", "经典", "多功能", "加大",
           "进口", "手工", "原装", "礼盒装", "精装", "特大号", "迷你", "创意", "可爱", "卡通",
           "韩国", "日本", "天然")
VOCABULARY(generalSeasons, "2009新款", "09新品", "2009年", "最新款", "冬季", "秋季")
VOCABULARY(suffixes, "包邮", "特价", "热卖", "限时抢购", "皇冠信誉", "假一赔十", "现货", "秒杀",
           "新品上架", "买二送一")
VOCABULARY(markedWords, "H&M", "C#", "C++", "100%", "a&b#c+d%e", "&#+%")
VOCABULARY(shopPrefixes, "小雨", "阿蓉", "晴天", "紫罗兰", "蓝精灵", "甜心", "花花", "丫丫",
           "月亮湾", "小鱼儿", "阳光", "开心果", "快乐猪", "糖糖", "雪儿", "飘飘", "依依", "绿野",
           "麦田", "青柠", "星星", "可可", "米米", "乐乐", "豆豆", "美美", "金牌", "诚信", "淘淘",
           "木棉", "蒲公英", "七彩")
VOCABULARY(shopPlaces, "", "", "", "杭州", "广州", "上海", "北京", "深圳", "义乌", "温州", "成都",
           "武汉", "厦门")
VOCABULARY(fashionShops, "时尚屋", "精品屋", "衣橱", "服饰", "潮流馆", "女人街", "小铺", "专卖店",
           "的店")
VOCABULARY(digitalShops, "数码城", "数码港", "电子", "科技", "专营店", "电脑城", "小店")
VOCABULARY(generalShops, "生活馆", "百货", "杂货铺", "小店", "专营店", "家居馆", "商行", "便利店",
           "的店")
VOCABULARY(syllables, "xiao", "yu", "mei", "li", "hua", "ling", "fang", "jing", "tian", "ming",
           "hong", "wei", "jia", "qing", "xue", "yan", "lan", "ting", "zhen", "bao", "tao", "le",
           "an", "chen", "wang", "zhang", "liu", "dou", "mi", "ke")

const QString &pick(SeededRandom &random, const QStringList &list)
{
    return list[random.below(int(list.size()))];
}

QString capitalised(const QString &word)
{
    return word.isEmpty() ? word : word.left(1).toUpper() + word.mid(1);
}

} // namespace

Kind kindOfTopLevel(const QString &name)
{
    static const char *const digital[] = {"电脑", "数码", "手机", "MP3",      "相机",     "电玩",
                                          "电器", "家电", "存储", "网络设备", "智能设备", "电子"};
    static const char *const fashion[] = {"装", "鞋", "包", "内衣", "服饰", "饰品", "手表"};
    for (const char *word : digital) {
        if (name.contains(QString::fromUtf8(word)))
            return Kind::Digital;
    }
    for (const char *word : fashion) {
        if (name.contains(QString::fromUtf8(word)))
            return Kind::Fashion;
    }
    return Kind::General;
}

QString makeTitle(SeededRandom &random, Kind kind, const QString &categoryName)
{
    const QStringList *brands = &generalBrands();
    const QStringList *adjectives = &generalWords();
    const QStringList *seasons = &generalSeasons();
    if (kind == Kind::Fashion) {
        brands = &fashionBrands();
        adjectives = &fashionWords();
        seasons = &fashionSeasons();
    } else if (kind == Kind::Digital) {
        brands = &digitalBrands();
        adjectives = &digitalWords();
        seasons = &digitalSeasons();
    }

    // A category named "套装/学生校服/工作制服" sells any one of its parts.
    const QStringList nouns = categoryName.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString noun = nouns.isEmpty() ? categoryName : pick(random, nouns);

    QStringList parts;
    if (random.chance(0.6))
        parts.append(pick(random, *brands));
    if (random.chance(0.7))
        parts.append(pick(random, *seasons));
    const int adjectiveCount = 1 + random.below(3);
    for (int i = 0; i < adjectiveCount; ++i) {
        const QString &word = pick(random, *adjectives);
        if (!parts.contains(word))
            parts.append(word);
    }
    parts.append(noun);
    if (random.chance(0.3))
        parts.append(pick(random, suffixes()));
    return parts.join(QLatin1Char(' '));
}

QString markedWord(int position)
{
    // Midway through each run of MarkedEvery items, not at a run's start.
    if (position % MarkedEvery != MarkedEvery / 2)
        return QString();
    const QStringList &words = markedWords();
    return words[(position / MarkedEvery) % int(words.size())];
}

int makePrice(SeededRandom &random, Kind kind)
{
    double low = 5.0;
    double high = 499.0;
    if (kind == Kind::Fashion) {
        low = 19.0;
        high = 899.0;
    } else if (kind == Kind::Digital) {
        low = 29.0;
        high = 8999.0;
    }
    const double yuan = low * qPow(high / low, random.unit());
    int whole = qMax(1, int(yuan));
    if (whole >= 20)
        whole = whole / 10 * 10 + (random.chance(0.5) ? 8 : 9); // shop prices end in 8 or 9
    const int cents = random.chance(0.2) ? 50 : 0;
    return whole * 100 + cents;
}

int makeSales(SeededRandom &random)
{
    const double u = random.unit();
    return int(u * u * u * u * 3000.0);
}

QString makeSellerName(SeededRandom &random, Kind kind)
{
    const QStringList *shops = &generalShops();
    if (kind == Kind::Fashion)
        shops = &fashionShops();
    else if (kind == Kind::Digital)
        shops = &digitalShops();
    return pick(random, shopPlaces()) + pick(random, shopPrefixes()) + pick(random, *shops);
}

QString makeMemberId(SeededRandom &random)
{
    QString first = pick(random, syllables());
    QString second = pick(random, syllables());
    const int style = random.below(5);
    if (style == 0) {
        first = capitalised(first);
        second = capitalised(second);
    } else if (style == 1) {
        first = QStringLiteral("Tb_") + first;
    }
    const int number = style == 2 ? 1960 + random.below(50) : random.below(1000);
    return first + second + QString::number(number);
}

} // namespace ItemVocabulary
