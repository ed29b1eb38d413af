#include "ui/pages/Splitters.h"

#include <QEvent>
#include <QSettings>
#include <QSplitter>

namespace quillet {

namespace {

// Shares the splitter's room out in the given ratios once it first has a size.
class FirstLayout : public QObject {
public:
    FirstLayout(QSplitter* splitter, const QList<int>& proportions)
        : QObject(splitter), m_splitter(splitter), m_proportions(proportions)
    {
        splitter->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        int room = m_splitter->orientation() == Qt::Horizontal ? m_splitter->width() : m_splitter->height();
        if (event->type() != QEvent::Resize || room <= 0)
            return false;
        int total = 0;
        for (int share : m_proportions)
            total += share;
        QList<int> sizes;
        for (int share : m_proportions)
            sizes << room * share / total;
        m_splitter->setSizes(sizes);
        deleteLater();
        return false;
    }

private:
    QSplitter* m_splitter;
    QList<int> m_proportions;
};

} // namespace

void KeepProportions(QSplitter* splitter, const QString& key, const QList<int>& proportions)
{
    splitter->setChildrenCollapsible(false);
    for (int pane = 0; pane < proportions.size(); ++pane)
        splitter->setStretchFactor(pane, proportions[pane]);
    const QString settingsKey = "Splitters/" + key;
    QByteArray state = QSettings().value(settingsKey).toByteArray();
    if (state.isEmpty() || !splitter->restoreState(state))
        new FirstLayout(splitter, proportions);
    QObject::connect(splitter, &QSplitter::splitterMoved, splitter,
                     [splitter, settingsKey] { QSettings().setValue(settingsKey, splitter->saveState()); });
}

} // namespace quillet
