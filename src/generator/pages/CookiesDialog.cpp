#include "generator/pages/CookiesDialog.h"

#include "generator/CookiePageModel.h"
#include "generator/pages/ChoiceGrid.h"
#include "project/Action.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quillet {

namespace {

const QString kSecure = QStringLiteral("Secure");

QDate ToQDate(const CalendarDate& date)
{
    return QDate(date.year, date.month, date.day);
}

} // namespace

CookiesDialog::CookiesDialog(Action& action, QWidget* parent)
    : PropertyPage(tr("Set HTTP Cookies"), parent), m_action(action), m_grid(new ChoiceGrid(0, 3, this)),
      m_add(new QPushButton(tr("&Add"), this)), m_expireIn(new QRadioButton(tr("Expire &in"), this)),
      m_expireOn(new QRadioButton(tr("Expire &on"), this)), m_days(new QSpinBox(this)), m_date(new QDateEdit(this))
{
    m_grid->setHorizontalHeaderLabels({tr("Name"), tr("Value"), tr("Secure")});
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->rule = [](int, int column) -> ChoiceGrid::CellRule {
        if (column == 2)
            return {ChoiceGrid::Kind::List, {kSecure}};
        return {};
    };
    m_days->setRange(0, 36500);
    m_date->setDisplayFormat("MM-dd-yyyy");
    m_date->setMinimumDate(QDate(1970, 1, 1));
    m_date->setCalendarPopup(true);
    auto* remove = new QPushButton(tr("&Delete"), this);
    connect(m_add, &QPushButton::clicked, this, &CookiesDialog::AddCookie);
    connect(remove, &QPushButton::clicked, this, &CookiesDialog::DeleteSelected);
    connect(m_expireIn, &QRadioButton::toggled, this, &CookiesDialog::ApplyExpiryChoice);

    auto* expiry = new QGridLayout;
    expiry->addWidget(m_expireIn, 0, 0);
    expiry->addWidget(m_days, 0, 1);
    expiry->addWidget(new QLabel(tr("Days"), this), 0, 2);
    expiry->addWidget(m_expireOn, 1, 0);
    expiry->addWidget(m_date, 1, 1);
    expiry->addWidget(new QLabel(tr("(mm-dd-yyyy)"), this), 1, 2);
    expiry->setColumnStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Cookie List: (Maximum %1)").arg(kMaxCookies), this));
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    layout->addLayout(expiry);
}

void CookiesDialog::AddCookie()
{
    if (m_grid->rowCount() >= kMaxCookies)
        return;
    int row = m_grid->rowCount();
    m_grid->insertRow(row);
    m_grid->SetCellText(row, 0, NewCookieName(row + 1));
    m_add->setEnabled(m_grid->rowCount() < kMaxCookies);
}

void CookiesDialog::DeleteSelected()
{
    QList<int> rows;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        m_grid->removeRow(row);
    m_add->setEnabled(m_grid->rowCount() < kMaxCookies);
}

void CookiesDialog::ApplyExpiryChoice()
{
    m_days->setEnabled(m_expireIn->isChecked());
    m_date->setEnabled(!m_expireIn->isChecked());
}

void CookiesDialog::Load()
{
    const CookieAction& cookie = m_action.Cookie();
    std::vector<CookieRow> rows = LoadCookies(cookie.code);
    m_grid->setRowCount(0);
    m_grid->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        m_grid->SetCellText(row, 0, rows[row].name);
        m_grid->SetCellText(row, 1, rows[row].value);
        m_grid->SetText(row, 2, rows[row].secure ? kSecure : QString());
    }
    m_add->setEnabled(m_grid->rowCount() < kMaxCookies);
    bool onDate = cookie.expiryKind == 1;
    m_days->setValue(onDate ? 0 : static_cast<int>(cookie.expiry));
    m_date->setDate(onDate ? ToQDate(DateFromDays(cookie.expiry)) : QDate::currentDate().addDays(30));
    (onDate ? m_expireOn : m_expireIn)->setChecked(true);
    ApplyExpiryChoice();
}

void CookiesDialog::Store()
{
    std::vector<CookieRow> rows;
    for (int row = 0; row < m_grid->rowCount(); ++row)
        rows.push_back({m_grid->CellText(row, 0), m_grid->CellText(row, 1), m_grid->Text(row, 2) == kSecure});
    CookieAction& cookie = m_action.Cookie();
    cookie.code = StoreCookies(rows);
    cookie.expiryKind = m_expireOn->isChecked() ? 1 : 0;
    QDate date = m_date->date();
    cookie.expiry = cookie.expiryKind == 1 ? DaysSinceEpoch({date.year(), date.month(), date.day()}) : m_days->value();
}

} // namespace quillet
