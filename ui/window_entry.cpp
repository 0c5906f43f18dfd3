#include <QApplication>
#include <QMainWindow>

#include "app/window_entry.h"

namespace app {

int RunWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.show();
    return application.exec();
}

}  // namespace app
