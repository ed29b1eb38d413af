#pragma once

#include <QString>
#include <QWidget>

namespace quillet {

// One tab of a property sheet or of the project view: controls filled from a
// record, stored back into it, and a check before the user may leave.
class PropertyPage : public QWidget {
    Q_OBJECT
public:
    PropertyPage(const QString& title, QWidget* parent = nullptr) : QWidget(parent), m_title(title) {}

    const QString& Title() const { return m_title; }
    virtual void Load() {}
    virtual void Store() {}
    // False keeps the user on the page; the page has shown why.
    virtual bool LeaveCheck() { return true; }

private:
    QString m_title;
};

} // namespace quillet
