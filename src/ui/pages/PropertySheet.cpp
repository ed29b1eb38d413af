#include "ui/pages/PropertySheet.h"

#include "ui/pages/PropertyPage.h"

#include <QDialogButtonBox>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillet {

PropertySheet::PropertySheet(const QString& title, QWidget* parent) : QDialog(parent), m_tabs(new QTabWidget(this))
{
    setWindowTitle(title);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PropertySheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PropertySheet::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_current >= 0 && m_current != index && !LeavePage(m_current)) {
            QSignalBlocker block(m_tabs);
            m_tabs->setCurrentIndex(m_current);
            return;
        }
        m_current = index;
        if (PropertyPage* page = Page(index))
            page->Load();
    });
}

void PropertySheet::AddPage(PropertyPage* page)
{
    m_pages.push_back(page);
    m_tabs->addTab(page, page->Title());
}

PropertyPage* PropertySheet::Page(int index) const
{
    return index >= 0 && index < static_cast<int>(m_pages.size()) ? m_pages[static_cast<size_t>(index)] : nullptr;
}

int PropertySheet::exec()
{
    m_current = m_tabs->currentIndex();
    if (PropertyPage* page = Page(m_current))
        page->Load();
    return QDialog::exec();
}

void PropertySheet::accept()
{
    if (m_current >= 0 && !LeavePage(m_current))
        return;
    QDialog::accept();
}

bool PropertySheet::LeavePage(int index)
{
    PropertyPage* page = Page(index);
    if (!page)
        return true;
    page->Store();
    return page->LeaveCheck();
}

} // namespace quillet
