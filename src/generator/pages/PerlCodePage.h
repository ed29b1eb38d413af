#pragma once

#include "ui/pages/PropertyPage.h"

class QPlainTextEdit;

namespace quillet {

struct Action;

// "User-defined Perl Code": the code as one text.
class PerlCodePage : public PropertyPage {
    Q_OBJECT
public:
    PerlCodePage(Action& action, QWidget* parent = nullptr);

    void Load() override;
    void Store() override;
    QPlainTextEdit* Editor() const { return m_editor; }

private:
    Action& m_action;
    QPlainTextEdit* m_editor;
};

} // namespace quillet
