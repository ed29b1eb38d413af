#include "app/pages/PlaceholderPage.h"

#include <QLabel>
#include <QVBoxLayout>

namespace quillet {

PlaceholderPage::PlaceholderPage(const QString& title, std::function<QString()> summary, QWidget* parent)
    : PropertyPage(title, parent), m_summary(std::move(summary)), m_text(new QLabel(this))
{
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
}

void PlaceholderPage::Load()
{
    m_text->setText(m_summary ? m_summary() : QString());
}

} // namespace quillet
