#include "app/AppEnvironment.h"
#include "app/MainWindow.h"
#include "app/ProjectWindow.h"
#include "generator/pages/QueryReportDialog.h"
#include "ui/pages/AppIcon.h"
#include "ui/pages/QtPrompter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstring>

namespace {

void Describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription("Turns an HTML form into a working web application.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("project", "A project file (.prj) to open.", "[PROJECT.prj]");
}

// Help and version need no display, so they are answered before any window exists.
bool AsksForTextOnly(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "-?", "-v", "--version", "--help-all"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

void SetIdentity()
{
    QCoreApplication::setOrganizationName("Quillet");
    QCoreApplication::setApplicationName("Quillet");
    QCoreApplication::setApplicationVersion(QUILLET_VERSION);
}

} // namespace

int main(int argc, char** argv)
{
    if (AsksForTextOnly(argc, argv)) {
        QCoreApplication core(argc, argv);
        SetIdentity();
        QCommandLineParser parser;
        Describe(parser);
        parser.process(core);
        return 0;
    }
    QApplication app(argc, argv);
    SetIdentity();
    quillet::InstallIconFallback();
    QApplication::setWindowIcon(quillet::AppIcon());
    QCommandLineParser parser;
    Describe(parser);
    parser.process(app);

    quillet::QtPrompter prompter;
    quillet::InstallQueryReportDesigner();
    quillet::AppEnvironment environment = quillet::AppEnvironment::Discover();
    quillet::MainWindow window(prompter, environment);
    window.show();
    for (const QString& path : parser.positionalArguments())
        window.OpenProject(path);
    return app.exec();
}
