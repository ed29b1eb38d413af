#pragma once

#include <QPushButton>

class QMenu;

namespace quillet {

// "New": a click shows the kinds of action as a pop-up menu; the chosen kind
// goes out as its command number (43000 onward).
class NewActionButton : public QPushButton {
    Q_OBJECT
public:
    explicit NewActionButton(const QString& text, QWidget* parent = nullptr);
    // Built on the first click and kept.
    QMenu* Menu();

signals:
    void Command(int command);

private:
    void ShowMenu();
    QMenu* m_menu = nullptr;
};

} // namespace quillet
