#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Doradoza Tarnwick"));
    window.setWindowTitle(QStringLiteral("Doradoza Tarnwick"));
    window.resize(480, 320);
    window.show();
    return app.exec();
}
