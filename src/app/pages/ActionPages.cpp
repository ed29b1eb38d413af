#include "app/pages/ActionPages.h"

#include "project/Action.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace quillet {

namespace {

// Shows the name and kind of an action whose own page is not written yet.
class GenericActionPage : public PropertyPage {
public:
    GenericActionPage(Action& action, QWidget* parent)
        : PropertyPage(QString::fromLocal8Bit(std::string(ActionTypeName(action.type)).c_str()), parent),
          m_action(action), m_name(new QLineEdit(this))
    {
        auto* layout = new QFormLayout(this);
        layout->addRow(tr("Kind:"), new QLabel(Title(), this));
        layout->addRow(tr("&Name:"), m_name);
    }
    void Load() override { m_name->setText(QString::fromLocal8Bit(m_action.name.c_str())); }
    void Store() override { m_action.name = m_name->text().toLocal8Bit().toStdString(); }

private:
    Action& m_action;
    QLineEdit* m_name;
};

} // namespace

std::unique_ptr<PropertyPage> CreateActionPage(Action& action, const ActionPageContext&, QWidget* parent)
{
    return std::make_unique<GenericActionPage>(action, parent);
}

} // namespace quillet
