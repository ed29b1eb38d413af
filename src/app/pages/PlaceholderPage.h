#pragma once

#include "app/PropertyPage.h"

#include <functional>

class QLabel;

namespace quillet {

// A tab whose editor is still to come: it shows a short summary of what the
// project holds for it, refreshed each time the tab is shown.
class PlaceholderPage : public PropertyPage {
    Q_OBJECT
public:
    PlaceholderPage(const QString& title, std::function<QString()> summary, QWidget* parent = nullptr);
    void Load() override;

private:
    std::function<QString()> m_summary;
    QLabel* m_text;
};

} // namespace quillet
