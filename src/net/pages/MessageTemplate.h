#pragma once

#include <QGroupBox>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet {

class Prompter;
class TemplateEditor;
struct ActionPageContext;

// The "Format Message" group shared by the file, mail and response pages: the
// template file's path, its text in an editor, and New, Open and Save. The
// text lives in the file; the action only names it.
class MessageTemplate : public QGroupBox {
    Q_OBJECT
public:
    MessageTemplate(const ActionPageContext& context, QWidget* parent = nullptr);

    // The path as the action stores it (relative to the project where it can be).
    std::string Path() const;
    // Shows path and reads its file into the editor, marked unmodified.
    void Load(const std::string& path);
    // Writes a modified text to its file. Text typed without a path asks for
    // one rather than being dropped; false when it could not be kept.
    bool StoreText();
    // Typed text that is in no file yet, which leaving the page would lose.
    bool HasUnsavedText() const;

    bool NewFile();
    bool OpenFile();
    bool SaveFile();
    // Saves, then opens the file in the HTML editor of the server settings.
    void OpenInHtmlEditor();

    QLabel* PathLabel() const { return m_label; }
    QLineEdit* PathEdit() const { return m_path; }
    TemplateEditor* Editor() const { return m_editor; }
    QPushButton* HtmlEditorButton() const { return m_htmlEditor; }

private:
    // Offers to save a modified text first; false when the user's file could not be saved.
    bool SaveIfModified();
    bool WriteText(const std::string& path);
    std::string DiskPath(const std::string& path) const;

    const ActionPageContext& m_context;
    QLabel* m_label;
    QLineEdit* m_path;
    TemplateEditor* m_editor;
    QPushButton* m_htmlEditor;
};

} // namespace quillet
