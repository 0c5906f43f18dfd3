// The window's control index: what a lookup by name may and may not find.
#include "ui/control_index.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "app/lang/language.h"
#include "window_fixture.h"

namespace ui {
namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::logic_error& error) {
        return error.what();
    }
    return "no error";
}

TEST(ControlIndexTest, LookupsAreTypedAndEveryFaultIsAnError) {
    QWidget window;
    window.setObjectName("F_Face");
    auto* edit = Named(new QLineEdit(&window), "EditGA_X");
    auto* page = Named(new QWidget(&window), "tsAnalogCfg");
    Named(new QLabel(page), "LabelGA_X");
    new QScrollArea(&window);  // Qt's own inner parts, named qt_..., are not controls
    new QScrollArea(&window);
    const ControlIndex controls(&window);

    EXPECT_EQ(controls.Get<QLineEdit>("EditGA_X"), edit);
    EXPECT_EQ(controls.Find("F_Face"), &window) << "the window itself";
    EXPECT_NE(controls.Find("LabelGA_X"), nullptr) << "controls of a page";
    EXPECT_EQ(controls.Find("qt_scrollarea_viewport"), nullptr);
    EXPECT_EQ(ErrorOf([&] { controls.Get<QCheckBox>("EditGA_X"); }),
              "The control EditGA_X is a QLineEdit, not a QCheckBox.");
    EXPECT_EQ(ErrorOf([&] { controls.Get<QWidget>("cbSDIS"); }),
              "The window has no control named cbSDIS.");
    EXPECT_EQ(ErrorOf([&] {
                  controls.Require(std::vector<std::string>{"EditGA_X", "cbSDIS", "", "cbPDIS"});
              }),
              "The window has no control named cbSDIS, cbPDIS.");
}

TEST(ControlIndexTest, ANameThatStandsTwiceIsAnError) {
    QWidget window;
    Named(new QLineEdit(&window), "EditGA_X");
    Named(new QLineEdit(&window), "EditOA_X");
    auto* page = new QWidget(&window);
    Named(new QCheckBox(page), "EditGA_X");
    EXPECT_EQ(ErrorOf([&] { ControlIndex controls(&window); }),
              "More than one control is named EditGA_X.");
}

class MainWindowControls : public window_test::WindowTest {};

TEST_F(MainWindowControls, EveryControlTheLanguageStepNamesExistsAndNoNameStandsTwice) {
    const ControlIndex controls(&Open());  // no name stands twice
    const std::vector<std::string_view> names = app::LanguageControlNames();
    EXPECT_NO_THROW(controls.Require(names));
    EXPECT_EQ(std::set<std::string_view>(names.begin(), names.end()).size(), names.size());
}

}  // namespace
}  // namespace ui
