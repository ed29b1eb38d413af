#pragma once

#include "app/PropertyPage.h"

class QTreeWidget;

namespace quillet {

struct Form;

// The submit buttons of the current form with the actions each one runs, as
// the build will generate them.
class ActionsOverviewPage : public PropertyPage {
    Q_OBJECT
public:
    explicit ActionsOverviewPage(const Form& form, QWidget* parent = nullptr);
    void Load() override;

private:
    const Form& m_form;
    QTreeWidget* m_tree;
};

} // namespace quillet
