// The About window: fixed texts, the language's two lines, the web address and closing.
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "ui/UnitAbout.h"
#include "window_fixture.h"

namespace {

using window_test::WindowTest;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

TEST_F(WindowTest, AboutShowsTheLanguagesLinesAndIsCalledAboutInRussianToo) {
    Write("lang.rus", "[Language]\nvAboutText=Первая строка\nvAboutTextD=Вторая строка\n");
    Open();
    ui::TF_About* about = window->F_About;
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(about->LabelAboutText->text(), Utf8("Первая строка"));
    EXPECT_EQ(about->LabelAboutTextD->text(), Utf8("Вторая строка"));
    EXPECT_TRUE(about->LabelAboutText->font().bold());
    EXPECT_EQ(about->LabelAboutText->font().pointSize(), 10);
    EXPECT_TRUE(about->isHidden());
}

TEST_F(WindowTest, AboutWithoutALanguageFileKeepsTheAddressAndTheCloseButton) {
    Open();
    ui::TF_About* about = window->F_About;
    EXPECT_EQ(about->LabelAboutText->text(), "");
    EXPECT_EQ(about->LabelAboutTextD->text(), "");
    EXPECT_EQ(about->LabelAboutTextL->text(), "\nQX5520-TOOL.EXAMPLE.ORG");
    EXPECT_EQ(about->btnClose->text(), Utf8("Закрыть"));
    EXPECT_EQ(about->btnClose->size(), QSize(75, 25));
    EXPECT_EQ(about->size(), QSize(422, 287));
    EXPECT_EQ(about->minimumSize(), about->maximumSize());
    EXPECT_EQ(about->Image->size(), QSize(422, 138));
    EXPECT_EQ(about->LabelAboutTextL->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(about->LabelAboutTextL->font().underline());
}

TEST_F(WindowTest, ClickingTheAddressOpensItAndCloseEndsTheDialogWithOk) {
    Open();
    ui::TF_About* about = window->F_About;
    about->open();
    ASSERT_TRUE(about->isVisible());
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(about->LabelAboutTextL, &release);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl("http://qx5520-tool.example.org"));
    about->btnClose->click();
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(about->result(), QDialog::Accepted);
}

}  // namespace
