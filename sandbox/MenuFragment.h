#pragma once

#include <QString>

class CategoryTree;

// The ready-made category menu: an HTML fragment of pseudo-links, one per
// top-level category. The program reads the link that opens at or after text
// position 100 as the category to select at start, so the fragment puts the
// start category's link exactly there, after a heading padded to length.
namespace MenuFragment {

inline constexpr int StartLinkPosition = 100; // 1-based, in the decoded text
inline constexpr qint64 StartCategoryCid = 16;

QString build(const CategoryTree &tree);

} // namespace MenuFragment
