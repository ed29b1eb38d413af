#pragma once

#include <QDialog>
#include <vector>

class QTabWidget;

namespace quillet {

class PropertyPage;

// A modal sheet of pages with OK and Cancel. Leaving a tab and pressing OK
// store the page and ask it whether it may be left.
class PropertySheet : public QDialog {
    Q_OBJECT
public:
    explicit PropertySheet(const QString& title, QWidget* parent = nullptr);

    void AddPage(PropertyPage* page);
    PropertyPage* Page(int index) const;
    int exec() override;

public slots:
    void accept() override;

private:
    bool LeavePage(int index);

    QTabWidget* m_tabs;
    std::vector<PropertyPage*> m_pages;
    int m_current = -1;
};

} // namespace quillet
