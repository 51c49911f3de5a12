#pragma once

#include <QString>
#include <QStringList>

class SeededRandom;

// Word lists for believable item titles and seller names, by kind of goods.
namespace ItemVocabulary {

enum class Kind { Fashion, Digital, General };

// The kind of goods sold under a top-level category, judged from its name.
Kind kindOfTopLevel(const QString &name);

// A title such as "韩依坊 2009新款 韩版 修身 连衣裙".
QString makeTitle(SeededRandom &random, Kind kind, const QString &categoryName);
// For one item in MarkedEvery, by catalogue position, a word holding "&", "#", "+" or "%",
// which a search request must carry percent-encoded; empty for all others. Drawn from no
// generator, so every other title, price and seller stays as it was.
inline constexpr int MarkedEvery = 40;
QString markedWord(int position);
// Price in hundredths of a yuan.
int makePrice(SeededRandom &random, Kind kind);
int makeSales(SeededRandom &random);
QString makeSellerName(SeededRandom &random, Kind kind);
// Pinyin-like login, some with capitals (e.g. "XiaoYu1987"); not checked for uniqueness.
QString makeMemberId(SeededRandom &random);

} // namespace ItemVocabulary
