#pragma once

#include "project/Action.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace quillet {

class Prompter;

// "Attachment": the file a mail action attaches and, for a text file, its
// text. The dialog writes the text file itself on save, on OK and before
// another file is opened; on OK the record holds the edited values.
class AttachmentDialog : public QDialog {
    Q_OBJECT
public:
    AttachmentDialog(Attachment& attachment, Prompter& prompter, QWidget* parent = nullptr);

    void SetTextFile(bool textFile);
    void OpenFile();
    void NewFile();
    bool SaveFile();
    void accept() override;

    QComboBox* TypeBox() const { return m_type; }
    QLineEdit* SourceBox() const { return m_source; }
    QPlainTextEdit* Editor() const { return m_editor; }
    // The record as the dialog has it so far.
    const Attachment& Working() const { return m_working; }

private:
    bool TextFileChosen() const;
    bool SaveIfModified();
    void LoadText(const std::string& path);

    Attachment& m_attachment;
    Attachment m_working;
    Prompter& m_prompter;
    QComboBox* m_type;
    QLineEdit* m_source;
    QPlainTextEdit* m_editor;
};

} // namespace quillet
