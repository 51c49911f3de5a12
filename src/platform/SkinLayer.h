#pragma once

#include <QString>

// The window skin: a Qt style sheet applied to the whole application when the
// file exists; otherwise nothing happens. The result is only informative.
namespace SkinLayer {

bool LoadSkin(const QString &path, int flags);

} // namespace SkinLayer
