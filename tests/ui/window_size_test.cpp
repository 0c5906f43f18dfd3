// The window opens with its client area of 930 x 680 pixels: no page asks for more room than
// the page control has at that size. Lower windows scroll their pages.
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <algorithm>

#include "ui/analog_page.h"
#include "ui/angle_page.h"
#include "ui/charts_page.h"
#include "ui/regcfg_page.h"
#include "ui/system_page.h"
#include "ui/work_page.h"
#include "ui/xy_page.h"
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
        QWidget* shown = face.CurrentPage();
        auto* scroll = qobject_cast<QScrollArea*>(face.PageControl->currentWidget());
        ASSERT_NE(scroll, nullptr);
        EXPECT_LE(shown->minimumSizeHint().height(), scroll->viewport()->height())
            << shown->objectName().toStdString();
        EXPECT_FALSE(scroll->verticalScrollBar()->isVisible()) << shown->objectName().toStdString();
        EXPECT_EQ(face.height(), 680) << shown->objectName().toStdString();
    }
}

TEST_F(WindowSize, WindowCanBeMadeLowAndEveryPageThenScrollsToItsEnd) {
    ui::TF_Face& face = Open();
    face.show();
    QApplication::processEvents();
    EXPECT_LE(face.minimumSizeHint().height(), 480);
    EXPECT_LE(face.minimumHeight(), 480);
    face.resize(face.width(), 480);
    QApplication::processEvents();
    EXPECT_EQ(face.height(), 480);
    const std::vector<QWidget*> pages = {face.tsAnalogCfg, face.stAng,  face.tsSystemParams,
                                         face.tsRegCfg,    face.tsWork, face.tsCharts,
                                         face.tsXYChart};
    for (QWidget* page : pages) {
        face.ShowPage(page);
        QApplication::processEvents();
        auto* scroll = qobject_cast<QScrollArea*>(face.PageControl->currentWidget());
        ASSERT_NE(scroll, nullptr);
        EXPECT_EQ(scroll->widget(), page);
        // Either the page fits or its scroll bar reaches all of it.
        const int hidden = page->height() - scroll->viewport()->height();
        if (hidden > 0) {
            EXPECT_TRUE(scroll->verticalScrollBar()->isVisible())
                << page->objectName().toStdString();
            EXPECT_EQ(scroll->verticalScrollBar()->maximum(), hidden);
        }
        EXPECT_GE(scroll->viewport()->height(), 150);  // a useful part of the page shows
    }
    face.resize(face.width(), 680);  // the design size again: nothing scrolls
    QApplication::processEvents();
    EXPECT_FALSE(qobject_cast<QScrollArea*>(face.PageControl->currentWidget())
                     ->verticalScrollBar()
                     ->isVisible());
}

}  // namespace
}  // namespace window_test
