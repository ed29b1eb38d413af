#include "generator/pages/PerlCodePage.h"

#include "generator/CodePageModel.h"
#include "generator/pages/ChoiceGrid.h"
#include "project/Action.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quillet {

PerlCodePage::PerlCodePage(Action& action, QWidget* parent)
    : PropertyPage(tr("User-defined Perl Code"), parent), m_action(action), m_editor(new QPlainTextEdit(this))
{
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_editor);
}

void PerlCodePage::Load()
{
    m_editor->setPlainText(ToQ(EditorFromCode(m_action.Code().code)));
}

void PerlCodePage::Store()
{
    m_action.Code().code = CodeFromEditor(FromQ(m_editor->toPlainText()));
}

} // namespace quillet
