// The yardstick for the program's start: a bare Qt window with a group box and a Chinese label,
// on the same Qt and platform plugin. bench/startup_vs_bare.sh times both to their first paint.
#include "ui/first_paint.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ui::exitAtFirstPaintIfAsked(app);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Zeld V3"));
    auto* box = new QGroupBox(&window);
    window.setCentralWidget(box);
    box->setFixedSize(312, 384);  // the program's client area at 96 dpi
    auto* label = new QLabel(QStringLiteral("前十位号"), box);
    label->move(20, 30);
    window.show();
    return QApplication::exec();
}
