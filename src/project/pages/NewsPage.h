#pragma once

#include "ui/pages/PropertyPage.h"

#include <functional>
#include <string>

class QTextBrowser;

namespace quillet {

struct Project;

// "News": a short page about the open project and what to do next.
class NewsPage : public PropertyPage {
    Q_OBJECT
public:
    NewsPage(const Project& project, std::function<std::string()> projectFile, QWidget* parent = nullptr);
    void Load() override;

    static QString ProjectSummaryHtml(const Project& project, const std::string& projectFile);

private:
    const Project& m_project;
    std::function<std::string()> m_projectFile;
    QTextBrowser* m_text;
};

} // namespace quillet
