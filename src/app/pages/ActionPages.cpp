#include "app/pages/ActionPages.h"

#include "generator/pages/CConditionPage.h"
#include "generator/pages/CCookiesDlg.h"
#include "generator/pages/CPostFormPage.h"
#include "generator/pages/CRecordPages.h"
#include "net/pages/CBrowser.h"
#include "net/pages/CSaveFile.h"
#include "net/pages/CSendMail.h"
#include "project/Action.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace quillet {

namespace {

// "Generate HTML Form" is never offered as a new action; an older project may
// still hold one, whose page file is shown here.
class GeneratedFormPage : public PropertyPage {
public:
    GeneratedFormPage(Action& action, QWidget* parent)
        : PropertyPage(QString::fromLocal8Bit(std::string(ActionTypeName(action.type)).c_str()), parent),
          m_action(action), m_file(new QLineEdit(this))
    {
        auto* layout = new QFormLayout(this);
        layout->addRow(tr("HTML &Page:"), m_file);
    }
    void Load() override { m_file->setText(QString::fromLocal8Bit(m_action.FormBody().form.pageFile.c_str())); }
    void Store() override { m_action.FormBody().form.pageFile = m_file->text().trimmed().toLocal8Bit().toStdString(); }

private:
    Action& m_action;
    QLineEdit* m_file;
};

} // namespace

std::unique_ptr<PropertyPage> CreateActionPage(Action& action, const ActionPageContext& context, QWidget* parent)
{
    switch (action.type) {
    case ActionType::InsertRecord:
        return std::make_unique<CInsertPage>(action, context, parent);
    case ActionType::DeleteRecords:
    case ActionType::UpdateRecords:
    case ActionType::SelectRecords:
        return std::make_unique<CQueryPage>(action, context, parent);
    case ActionType::SendEmail:
    case ActionType::SendBulkEmail:
        return std::make_unique<CSendMail>(action, context, parent);
    case ActionType::ReadWriteFile:
        return std::make_unique<CSaveFile>(action, context, parent);
    case ActionType::RespondToBrowser:
        return std::make_unique<CBrowser>(action, context, parent);
    case ActionType::PerlCodeBlock:
        return std::make_unique<CPerlPage>(action, parent);
    case ActionType::SetHttpCookies:
        return std::make_unique<CCookiesDlg>(action, parent);
    case ActionType::ConditionalStatement:
        return std::make_unique<CConditionPage>(action, context, parent);
    case ActionType::PostHtmlForm:
        return std::make_unique<CPostFormPage>(action, context, parent);
    case ActionType::GenerateHtmlForm:
        break;
    }
    return std::make_unique<GeneratedFormPage>(action, parent);
}

} // namespace quillet
