#pragma once

#include <QString>
#include <QVariantList>

// The scripts the pane runs in its application world (never in the page's own),
// read once from the library's resources.
namespace PaneScripts {

// Name under which the pane's link bridge is published on the web channel.
constexpr const char *BridgeName = "kestrovaPane";

// qwebchannel.js and the click capture; injected at document creation.
QString documentCreation();

// A call of the function in the resource file with the given arguments, passed
// as JSON: no value is ever put into a script's text.
QString call(const QString &file, const QVariantList &arguments);

} // namespace PaneScripts
