#include "ui/Splitters.h"

#include <QSettings>
#include <QSplitter>

namespace quillet {

void KeepProportions(QSplitter* splitter, const QString& key, const QList<int>& proportions)
{
    splitter->setChildrenCollapsible(false);
    for (int pane = 0; pane < proportions.size(); ++pane)
        splitter->setStretchFactor(pane, proportions[pane]);
    const QString settingsKey = "Splitters/" + key;
    QByteArray state = QSettings().value(settingsKey).toByteArray();
    if (state.isEmpty() || !splitter->restoreState(state)) {
        // Sizes in any unit: the splitter shares its room out in these ratios.
        QList<int> sizes;
        for (int share : proportions)
            sizes << share * 100;
        splitter->setSizes(sizes);
    }
    QObject::connect(splitter, &QSplitter::splitterMoved, splitter,
                     [splitter, settingsKey] { QSettings().setValue(settingsKey, splitter->saveState()); });
}

} // namespace quillet
