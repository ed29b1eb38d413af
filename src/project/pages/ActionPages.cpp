#include "project/pages/ActionPages.h"

#include "generator/pages/ConditionPage.h"
#include "generator/pages/CookiesDialog.h"
#include "generator/pages/PerlCodePage.h"
#include "generator/pages/PostFormPage.h"
#include "generator/pages/RecordPages.h"
#include "net/pages/BrowserResponsePage.h"
#include "net/pages/ReadWriteFilePage.h"
#include "net/pages/SendMailPage.h"
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
        return std::make_unique<InsertRecordsPage>(action, context, parent);
    case ActionType::DeleteRecords:
    case ActionType::UpdateRecords:
    case ActionType::SelectRecords:
        return std::make_unique<RecordQueryPage>(action, context, parent);
    case ActionType::SendEmail:
    case ActionType::SendBulkEmail:
        return std::make_unique<SendMailPage>(action, context, parent);
    case ActionType::ReadWriteFile:
        return std::make_unique<ReadWriteFilePage>(action, context, parent);
    case ActionType::RespondToBrowser:
        return std::make_unique<BrowserResponsePage>(action, context, parent);
    case ActionType::PerlCodeBlock:
        return std::make_unique<PerlCodePage>(action, parent);
    case ActionType::SetHttpCookies:
        return std::make_unique<CookiesDialog>(action, parent);
    case ActionType::ConditionalStatement:
        return std::make_unique<ConditionPage>(action, context, parent);
    case ActionType::PostHtmlForm:
        return std::make_unique<PostFormPage>(action, context, parent);
    case ActionType::GenerateHtmlForm:
        break;
    }
    return std::make_unique<GeneratedFormPage>(action, parent);
}

} // namespace quillet
