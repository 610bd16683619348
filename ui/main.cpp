#include "reader/reader_source.h"
#include "ui/main_window.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[]) {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 always scales for high-dpi screens; Qt 5 must be asked.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
    QApplication app(argc, argv);
    ui::MainWindow window(std::make_unique<reader::LazyReaderLibrary>());
    window.show();
    return QApplication::exec();
}
