#pragma once

#include "ui/pages/PropertyPage.h"

class QDateEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace quillet {

class ChoiceGrid;
struct Action;

// "Set HTTP Cookies": up to 20 cookies and one expiry for all of them.
class CookiesDialog : public PropertyPage {
    Q_OBJECT
public:
    CookiesDialog(Action& action, QWidget* parent = nullptr);

    void Load() override;
    void Store() override;

    ChoiceGrid* Grid() const { return m_grid; }
    void AddCookie();
    void DeleteSelected();
    QRadioButton* ExpireIn() const { return m_expireIn; }
    QRadioButton* ExpireOn() const { return m_expireOn; }
    QSpinBox* Days() const { return m_days; }
    QDateEdit* Date() const { return m_date; }
    QPushButton* AddButton() const { return m_add; }

private:
    void ApplyExpiryChoice();

    Action& m_action;
    ChoiceGrid* m_grid;
    QPushButton* m_add;
    QRadioButton* m_expireIn;
    QRadioButton* m_expireOn;
    QSpinBox* m_days;
    QDateEdit* m_date;
};

} // namespace quillet
