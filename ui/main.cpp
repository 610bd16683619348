#include "platform/end_requests.h"
#include "platform/parent_console.h"
#include "reader/reader_source.h"
#include "ui/command_line.h"
#include "ui/first_paint.h"
#include "ui/main_window.h"
#include "ui/qt_translation.h"

#include <QApplication>
#include <QIcon>

#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

int main(int argc, char* argv[]) {
    // --help and --version work without a display: answered before Qt starts.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    ui::WindowRequest request;
    if (!arguments.empty()) {
        platform::useParentConsole();
        const ui::CommandLineAnswer answer = ui::answerCommandLine(arguments, std::cout, std::cerr);
        if (answer.exitStatus) {
            return *answer.exitStatus;
        }
        request = answer.window;
    }

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 always scales for high-dpi screens, by the screen's exact factor; Qt 5 must be asked,
    // and would round 1.5 (144 dpi) up to 2, a window taller than a 768-pixel screen.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
    QApplication app(argc, argv);
    // PNGs rather than the SVG: Qt's SVG plugin is not everywhere Qt is. Decoded once the window
    // has been painted: the window need not wait for them to be seen. Qt's translations too: the
    // first of Qt's own dialogs (the export's) opens from 写卡记录 only, and a standard button
    // takes its text when it is made.
    ui::afterFirstPaint(app, [&app] {
        ui::installQtTranslation(&app);
        QIcon icon;
        for (const char* size : {"32", "48", "256"}) {
            icon.addFile(QStringLiteral(":/icons/zeld-%1.png").arg(QLatin1String(size)));
        }
        QApplication::setWindowIcon(icon);
    });
    // Lets a Wayland desktop match the window to zeld.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("zeld"));

    ui::MainWindow window(std::make_unique<reader::LazyReaderLibrary>());
    if (request.database) {
        window.useDatabase(*request.database);
    }
    platform::onEndRequest(&window, [&window] { window.close(); });
    window.show();
    // Last: it ends the program before what else waits for the first paint is done.
    ui::exitAtFirstPaintIfAsked(app);
    return QApplication::exec();
}
