#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Veilpane"));
    QApplication::setApplicationName(QStringLiteral("Veilpane"));
    QApplication::setApplicationVersion(QStringLiteral(VEILPANE_VERSION_TEXT));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Veilpane"));
    window.resize(900, 600);
    window.show();
    return QApplication::exec();
}
