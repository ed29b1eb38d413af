#pragma once

#include "project/Prompter.h"

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace quillet {

// Keeps the messages a background task shows until the window can show them.
class DeferredPrompter : public Prompter {
public:
    void Show(const std::string& text) override { m_shown.push_back(text); }
    // A background task must not ask: it gets No.
    bool AskYesNo(const std::string& text) override;
    Answer AskYesNoCancel(const std::string& text) override;
    void Replay(Prompter& prompter) const;

private:
    std::vector<std::string> m_shown;
};

// Runs a blocking network call on a worker thread while a progress dialog
// with Cancel keeps the window painted. False when the user cancelled: the
// call still runs to its own end, but its outcome is dropped.
bool RunBusy(QWidget* parent, const QString& label, const std::function<void()>& work);

} // namespace quillet
