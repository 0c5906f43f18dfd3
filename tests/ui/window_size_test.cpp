// The window opens with its client area of 930 x 680 pixels: no page asks for more room than
// the page control has at that size.
#include <QApplication>
#include <QTabWidget>
#include <algorithm>

#include "window_fixture.h"

namespace window_test {
namespace {

using WindowSize = WindowTest;

TEST_F(WindowSize, EveryPageFitsTheClientAreaOfTheShownWindow) {
    ui::TF_Face& face = Open();
    face.show();
    QApplication::processEvents();
    // The width follows from the outer width the window keeps; the height is free, so a page
    // that asked for more would have made the window taller.
    const int frame = face.frameGeometry().width() - face.width();
    EXPECT_EQ(face.height(), 680);
    EXPECT_EQ(face.width() + frame, std::max(931, 930 + frame));
    for (int page = 0; page < face.PageControl->count(); ++page) {
        face.PageControl->setCurrentIndex(page);
        QApplication::processEvents();
        QWidget* shown = face.PageControl->currentWidget();
        EXPECT_LE(shown->minimumSizeHint().height(), shown->height())
            << shown->objectName().toStdString();
        EXPECT_EQ(face.height(), 680) << shown->objectName().toStdString();
    }
}

}  // namespace
}  // namespace window_test
