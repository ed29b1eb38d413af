#include "app/AppEnvironment.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/QtPrompter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Quillet");
    QApplication::setApplicationName("Quillet");
    QApplication::setApplicationVersion(QUILLET_VERSION);
    QApplication::setWindowIcon(QIcon::fromTheme("quillet", QIcon(":/quillet.svg")));

    QCommandLineParser parser;
    parser.setApplicationDescription("Turns an HTML form into a working web application.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("project", "A project file (.prj) to open.", "[PROJECT.prj]");
    parser.process(app);

    quillet::QtPrompter prompter;
    quillet::AppEnvironment environment = quillet::AppEnvironment::Discover();
    quillet::CMainFrame window(prompter, environment);
    window.show();
    for (const QString& path : parser.positionalArguments())
        window.OpenProject(path);
    return app.exec();
}
