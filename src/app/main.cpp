#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Quillet");
    QApplication::setApplicationName("Quillet");
    QMainWindow window;
    auto* area = new QMdiArea(&window);
    area->setViewMode(QMdiArea::TabbedView);
    window.setCentralWidget(area);
    window.setWindowTitle("Quillet");
    window.resize(1000, 700);
    window.show();
    return app.exec();
}
