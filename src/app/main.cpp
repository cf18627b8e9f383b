#include <QApplication>
#include <QMainWindow>

#include <clocale>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Qt set the C locale from the environment; numbers are always read and
    // written with "." and libmpv refuses to start otherwise.
    std::setlocale(LC_NUMERIC, "C");
    QMainWindow window;
    window.show();
    return app.exec();
}
