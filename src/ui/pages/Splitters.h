#pragma once

#include <QList>
#include <QString>

class QSplitter;

namespace quillet {

// Starts splitter at the given proportions, or where the user last left it
// (kept in the settings under key), and never lets a pane shrink below what
// its controls need.
void KeepProportions(QSplitter* splitter, const QString& key, const QList<int>& proportions);

} // namespace quillet
