#pragma once

#include <QString>

class CategoryTree;

// The ready-made category menu: a style block and an HTML fragment of pseudo-links,
// one per top-level category. The program reads the link that opens at or after text
// position 100 as the category to select at start, so the fragment's first link is the
// start category's, after a style block and heading that reach that position.
namespace MenuFragment {

inline constexpr int StartLinkPosition = 100; // 1-based, in the decoded text
inline constexpr qint64 StartCategoryCid = 16;

QString build(const CategoryTree &tree);

} // namespace MenuFragment
