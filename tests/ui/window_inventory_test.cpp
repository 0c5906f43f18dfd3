// The main window's controls as a user meets them: names, kinds, texts and initial states.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <cmath>

#include "ui/flag_indicator.h"
#include "ui/top_panel.h"
#include "window_fixture.h"

namespace {

using window_test::WindowTest;

// The contrast ratio of two colours by the WCAG formula (1:1 to 21:1).
double ContrastRatio(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

enum class Kind { Label, Edit, ReadOnly, Check, Ticked, Button, Combo, Radio };

struct Control {
    const char* name;
    Kind kind;
    const char* text;  // UTF-8; a label's or button's caption, an edit's value
};

// With the shipped lang.rus the window shows its design texts.
const Control kControls[] = {
    {"LabelSPIFreq", Kind::Label, "Частота SPI"},
    {"EditFreq", Kind::Edit, "1000"},
    {"cbConnect", Kind::Check, "Включить обмен"},
    {"LabelConnectState", Kind::Label, "состояние не определено"},
    {"LabelChanCnt", Kind::Label, "Найдено FTDI каналов: 0"},
    {"btnOpenDataSheet", Kind::Button, "Спецификация"},
    {"btnAbout", Kind::Button, "О программе"},
    {"LabelChipID", Kind::Label, "Идентификатор кристалла"},
    {"EditChipID", Kind::Edit, ""},
    {"btnWriteChID", Kind::Button, "Писать идентификатор"},
    {"btnReadChID", Kind::Button, "Читать идентификатор"},
    {"cbSSIOn", Kind::Check, "Включить SSI"},
    // page 1
    {"LabelGA_X", Kind::Label, "Коэффициент усиления канала X"},
    {"EditGA_X", Kind::Edit, "0"},
    {"LabelOA_X", Kind::Label, "Напряжение смещения канала X"},
    {"EditOA_X", Kind::Edit, "0"},
    {"LabelT_CURR", Kind::Label, "Ток питания датчика"},
    {"EditT_CURR", Kind::Edit, "0"},
    {"LabelXG", Kind::Label, "Кратное усиление"},
    {"EditXG", Kind::Edit, "0"},
    {"LabelREF", Kind::Label, "Опорное напряжение АЦП"},
    {"EditREF", Kind::Edit, "0"},
    {"LabelOFFSET_COS", Kind::Label, "Цифровое смещение косинуса"},
    {"EditOFFSET_COS", Kind::Edit, "0"},
    {"LabelOFFSET_SIN", Kind::Label, "Цифровое смещение синуса"},
    {"EditOFFSET_SIN", Kind::Edit, "0"},
    {"LabelADCNT", Kind::Label, "Частота тактирования АЦП"},
    {"cbADCNT", Kind::Combo, "CLK/4"},
    {"LabelGA_Y", Kind::Label, "Коэффициент усиления канала Y"},
    {"EditGA_Y", Kind::Edit, "0"},
    {"LabelOA_Y", Kind::Label, "Напряжение смещения канала Y"},
    {"EditOA_Y", Kind::Edit, "0"},
    {"cbSDIS", Kind::Check, "Выключение питания датчика"},
    {"cbPDIS", Kind::Check, "Выключение входных усилителей"},
    {"cbAGC_EN", Kind::Check, "Включение АРУ"},
    {"cbAOC_EN", Kind::Check, "Включение AOC"},
    {"btnWriteGroup1", Kind::Button, "Записать значения"},
    {"btnReadGroup1", Kind::Button, "Прочитать значения"},
    // page 2
    {"LabelZERO_POS", Kind::Label, "Нулевое положение"},
    {"EditZERO_POS", Kind::Edit, "0"},
    {"LabelANG_RNG_LSB", Kind::Label, "Множитель 1"},
    {"EditANG_RNG_LSB", Kind::Edit, "0"},
    {"LabelANG_RNG_MSB", Kind::Label, "Множитель 2"},
    {"EditANG_RNG_MSB", Kind::Edit, "0"},
    {"LabelANG_CLAMP_DN", Kind::Label, "Ограничение угла"},
    {"EditANG_CLAMP_DN", Kind::Edit, "0"},
    {"LabelPHI_MIN", Kind::Label, "Верхний уровень ЦАП"},
    {"EditPHI_MIN", Kind::Edit, "0"},
    {"LabelPHI_MAX", Kind::Label, "Нижний уровень ЦАП"},
    {"EditPHI_MAX", Kind::Edit, "0"},
    {"cbEN360", Kind::Check, "Режим 360/180"},
    {"cbDIR", Kind::Check, "Направление вращения"},
    {"btnWriteGroup2", Kind::Button, "Записать значения"},
    {"btnReadGroup2", Kind::Button, "Прочитать значения"},
    // page 3
    {"cbEML_OUT_EN", Kind::Check, "Разрешить выдачу сигнала EML на аналоговый выход"},
    {"cbSSI_MODE", Kind::Check, "Режим SSI  (после установки обмен по интерфейсу SPI не доступен)"},
    {"cbEE_LD_EN", Kind::Check, "Разрешить перезагрузку EEPROM в регистры"},
    {"cbDTSTO_DIS", Kind::Check, "Отключение DTSTO"},
    {"LabelAMP_EML_TH", Kind::Label, "Пороговый уровень EML"},
    {"EditAMP_EML_TH", Kind::Edit, "0"},
    {"LabelFREQG", Kind::Label, "Тактовая частота"},
    {"EditFREQG", Kind::Edit, "0"},
    {"btnWriteGroup3", Kind::Button, "Записать значения"},
    {"btnReadGroup3", Kind::Button, "Прочитать значения"},
    // page 4
    {"LabelAmplitude", Kind::Label, "Amplitude"},
    {"EditAMPLITUDE", Kind::ReadOnly, "0"},
    {"LabelAngleOut", Kind::Label, "Angle Out"},
    {"EditANGLE_OUT", Kind::ReadOnly, "0"},
    {"LabelOutY", Kind::Label, "OutY"},
    {"EditOutY", Kind::ReadOnly, "0"},
    {"LabelOutX", Kind::Label, "OutX"},
    {"EditOutX", Kind::ReadOnly, "0"},
    {"LabelZOut", Kind::Label, "ZOut"},
    {"EditZOut", Kind::ReadOnly, "0"},
    {"LabelCORDIC_QUADRANT", Kind::Label, "Cordic quadrant"},
    {"EditCORDIC_QUADRANT", Kind::ReadOnly, "0"},
    {"LabelATST0_SET", Kind::Label, "ATST0_SET"},
    {"EditATST0_SET", Kind::Edit, "0"},
    {"LabelDTST_SET", Kind::Label, "DTST_SET"},
    {"EditDTST_SET", Kind::Edit, "0"},
    {"btnWriteGroup4", Kind::Button, "Записать значения"},
    {"btnReadGroup4", Kind::Button, "Прочитать значения"},
    {"btnAnalogInd", Kind::Button, "Включить индикатор"},
    // pages 5-7: the keyed captions
    {"BtnStartAngleWrkData", Kind::Button, "Старт"},
    {"LabelInterval3", Kind::Label, "Интервал, мс"},
    {"btnClear1", Kind::Button, "Сбросить"},
    {"BtnReadAngleData", Kind::Button, "Читать"},
    {"LabelFilename2", Kind::Label, "Файл данных"},
    {"cbSaveToFile", Kind::Check, "Сохранять на файл"},
    {"btnStart", Kind::Button, "Старт"},
    {"LabelInterval2", Kind::Label, "Интервал, мс"},
    {"btnClear2", Kind::Button, "Сбросить"},
    {"LabelFilename3", Kind::Label, "Файл данных"},
    {"cbSaveChartsToFile", Kind::Check, "Сохранять на файл"},
    {"LabelFilename1", Kind::Label, "Файл данных"},
    {"cbSaveXYToFile", Kind::Check, "Сохранять на файл"},
    {"btnStartXYChart", Kind::Button, "Старт"},
    {"LabelInterval", Kind::Label, "Интервал, мс"},
    {"btnClear3", Kind::Button, "Сбросить"},
    {"EditAngleWorkDataInt", Kind::Edit, "100"},
    {"EditInterval", Kind::Edit, "100"},
    {"EditXYInt", Kind::Edit, "100"},
    {"cbSin", Kind::Ticked, "Reg_Sin"},
    {"cbCos", Kind::Ticked, "Reg_Cos"},
    {"cbCordic", Kind::Ticked, "Cordic_OUT"},
    {"cbAng", Kind::Ticked, "Ang_OUT"},
    {"cbAmpl", Kind::Ticked, "Amplitude"},
    {"LabelXYSinL", Kind::Label, "Канал X (Синус):"},
    {"LabelXYSinMAX", Kind::Label, "Максимум: "},
    {"LabelXYSinMIN", Kind::Label, "Минимум:"},
    {"LabelXYSinOFFSET", Kind::Label, "Смещение: "},
    {"LabelXYSinAMPL", Kind::Label, "Амплитуда:"},
    {"LabelXYCosL", Kind::Label, "Канал Y (Косинус):"},
    {"LabelXYCosMAX", Kind::Label, "Максимум: "},
    {"LabelXYCosMIN", Kind::Label, "Минимум:"},
    {"LabelXYCosOFFSET", Kind::Label, "Смещение: "},
    {"LabelXYCosAMPL", Kind::Label, "Амплитуда:"},
    {"LabelXYSinMAXV", Kind::Label, "0"},
    {"LabelXYSinMINV", Kind::Label, "0"},
    {"LabelXYSinOFFSETV", Kind::Label, "0"},
    {"LabelXYSinAMPLV", Kind::Label, "0"},
    {"LabelXYCosMAXV", Kind::Label, "0"},
    {"LabelXYCosMINV", Kind::Label, "0"},
    {"LabelXYCosOFFSETV", Kind::Label, "0"},
    {"LabelXYCosAMPLV", Kind::Label, "0"},
    // status strip
    {"LabelSTATUS_REG", Kind::Label, "    Статусный регистр"},
    {"rbEML", Kind::Radio, "EML"},
    {"rbOFC_READY", Kind::Radio, "OFC_READY"},
    {"rbCONV_READY", Kind::Radio, "CONV_READY"},
    {"rbELOAD_READY", Kind::Radio, "ELOAD_READY"},
    {"rbLOW_SPEED", Kind::Radio, "LOW_SPEED"},
    {"rbOTR_Y", Kind::Radio, "OTR_Y"},
    {"rbOTR_X", Kind::Radio, "OTR_X"},
    {"LabelMsg", Kind::Label, ""},
};

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

class WindowInventory : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        CopyShipped("lang.rus");
        Open();
    }
};

TEST_F(WindowInventory, EveryControlHasItsNameKindTextAndInitialState) {
    for (const Control& control : kControls) {
        SCOPED_TRACE(control.name);
        QWidget* widget = Find<QWidget>(control.name);
        ASSERT_NE(widget, nullptr);
        switch (control.kind) {
            case Kind::Label:
                ASSERT_NE(qobject_cast<QLabel*>(widget), nullptr);
                EXPECT_EQ(qobject_cast<QLabel*>(widget)->text(), Utf8(control.text));
                break;
            case Kind::Edit:
            case Kind::ReadOnly: {
                auto* edit = qobject_cast<QLineEdit*>(widget);
                ASSERT_NE(edit, nullptr);
                EXPECT_EQ(edit->text(), Utf8(control.text));
                EXPECT_EQ(edit->isReadOnly(), control.kind == Kind::ReadOnly);
                break;
            }
            case Kind::Check:
            case Kind::Ticked:
                ASSERT_NE(qobject_cast<QCheckBox*>(widget), nullptr);
                EXPECT_EQ(qobject_cast<QCheckBox*>(widget)->text(), Utf8(control.text));
                EXPECT_EQ(qobject_cast<QCheckBox*>(widget)->isChecked(),
                          control.kind == Kind::Ticked);
                break;
            case Kind::Button:
                ASSERT_NE(qobject_cast<QPushButton*>(widget), nullptr);
                EXPECT_EQ(qobject_cast<QPushButton*>(widget)->text(), Utf8(control.text));
                break;
            case Kind::Combo:
                ASSERT_NE(qobject_cast<QComboBox*>(widget), nullptr);
                EXPECT_EQ(qobject_cast<QComboBox*>(widget)->currentText(), Utf8(control.text));
                break;
            case Kind::Radio:
                ASSERT_NE(qobject_cast<QRadioButton*>(widget), nullptr);
                EXPECT_EQ(qobject_cast<QRadioButton*>(widget)->text(), Utf8(control.text));
                EXPECT_FALSE(qobject_cast<QRadioButton*>(widget)->isChecked());
                break;
        }
    }
}

TEST_F(WindowInventory, NinePagesInOrderWithTheRegisterPageShown) {
    const std::pair<const char*, const char*> pages[] = {
        {"tsAnalogCfg", "Настройка аналогового тракта"},
        {"stAng", "Настройка преобразования угла"},
        {"tsSystemParams", "Системные параметры"},
        {"tsRegCfg", "Конфигурация регистров"},
        {"tsWork", "Уловые данные"},
        {"tsCharts", "График"},
        {"tsXYChart", "X-Y график"},
        {"tsRegMap", "Карта регистров"},
        {"tsAccuracy", "Точность угла"},
    };
    auto* tabs = Find<QTabWidget>("PageControl");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(window->PageIndex(Find<QWidget>(pages[i].first)), i) << pages[i].first;
        EXPECT_EQ(tabs->tabText(i), Utf8(pages[i].second));
    }
    EXPECT_EQ(window->CurrentPage()->objectName(), "tsRegCfg");
}

TEST_F(WindowInventory, TheFiveTimersAreOffWithTheirIntervals) {
    const std::pair<const char*, int> timers[] = {{"Timer", 100},
                                                  {"TimerWorkData", 200},
                                                  {"TimerXYData", 200},
                                                  {"TimerAnalog", 1000},
                                                  {"TimerConnect", 2000}};
    for (const auto& [name, interval] : timers) {
        auto* timer = Find<QTimer>(name);
        ASSERT_NE(timer, nullptr) << name;
        EXPECT_EQ(timer->interval(), interval) << name;
        EXPECT_FALSE(timer->isActive()) << name;
    }
}

TEST_F(WindowInventory, PanelsHaveTheirSizesAndTheMessagePanelIsHidden) {
    EXPECT_EQ(window->size(), QSize(930, 680));
    EXPECT_EQ(Find<QWidget>("PanelTop")->height(), 102);
    EXPECT_EQ(Find<QWidget>("PanelStatus")->height(), 33);
    auto* panel = Find<QFrame>("PanelMsg");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->size(), QSize(301, 167));
    EXPECT_TRUE(panel->isHidden());
    auto* message = Find<QLabel>("LabelMsg");
    EXPECT_EQ(message->parentWidget(), panel);
    EXPECT_TRUE(message->wordWrap());
    EXPECT_EQ(message->alignment(), Qt::AlignCenter);
    EXPECT_EQ(Find<QWidget>("pbAI")->size(), QSize(300, 300));
    EXPECT_TRUE(Find<QWidget>("ImageClock")->isHidden());
}

TEST_F(WindowInventory, TheOuterWidthStaysWithinItsRangeAndTheHeightIsFree) {
    window->show();
    const int frame = window->frameGeometry().width() - window->width();
    struct Case {
        int asked, outer;
    };
    for (const Case c : {Case{700, 931}, Case{940, 940}, Case{1400, 947}}) {
        window->resize(c.asked - frame, 800);
        EXPECT_EQ(window->width() + frame, c.outer) << c.asked;
        EXPECT_EQ(window->height(), 800);
    }
    window->resize(window->width(), 1000);
    EXPECT_EQ(window->height(), 1000);
    EXPECT_FALSE(Find<QWidget>("cbSSIOn")->isVisible());
}

TEST_F(WindowInventory, TheDisplaysOfPageFourAreGreenWithReadableTextAndTakeNoTyping) {
    const QColor green(0, 128, 0);
    auto type = [](QLineEdit* edit) {
        edit->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5");
        QCoreApplication::sendEvent(edit, &press);
    };
    for (const char* name : {"EditAMPLITUDE", "EditANGLE_OUT", "EditOutY", "EditOutX", "EditZOut",
                             "EditCORDIC_QUADRANT"}) {
        auto* edit = Find<QLineEdit>(name);
        EXPECT_EQ(edit->palette().color(QPalette::Base), green) << name;
        EXPECT_GE(ContrastRatio(edit->palette().color(QPalette::Text), green), 4.5) << name;
        EXPECT_TRUE(edit->isEnabled()) << name;
        type(edit);
        EXPECT_EQ(edit->text(), "0") << name;
    }
    for (const char* name : {"EditATST0_SET", "EditDTST_SET"}) {
        auto* edit = Find<QLineEdit>(name);
        EXPECT_NE(edit->palette().color(QPalette::Base), green) << name;
        type(edit);
        EXPECT_EQ(edit->text(), "05") << name;
    }
}

TEST_F(WindowInventory, StatusIndicatorsAreIndependentReadableAndCannotBeClicked) {
    const char* panels[] = {"Panel2", "Panel1", "Panel4", "Panel6", "Panel7", "Panel8", "Panel9"};
    const char* indicators[] = {"rbEML",       "rbOFC_READY", "rbCONV_READY", "rbELOAD_READY",
                                "rbLOW_SPEED", "rbOTR_Y",     "rbOTR_X"};
    for (int i = 0; i < 7; ++i) {
        auto* button = Find<QRadioButton>(indicators[i]);
        EXPECT_EQ(button->parentWidget()->objectName(), panels[i]);
        // Drawn in normal colours, not greyed out as a disabled control.
        EXPECT_TRUE(button->isEnabled()) << indicators[i];
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
        button->setChecked(true);
    }
    for (const char* name : indicators) EXPECT_TRUE(Find<QRadioButton>(name)->isChecked()) << name;
    Find<QRadioButton>("rbEML")->setChecked(false);
    EXPECT_TRUE(Find<QRadioButton>("rbOTR_X")->isChecked());
    // A click, by the program or by the mouse, changes nothing.
    auto* eml = Find<QRadioButton>("rbEML");
    eml->click();
    EXPECT_FALSE(eml->isChecked());
    Find<QRadioButton>("rbOTR_X")->click();
    EXPECT_TRUE(Find<QRadioButton>("rbOTR_X")->isChecked());
    EXPECT_TRUE(eml->testAttribute(Qt::WA_TransparentForMouseEvents));

    // A lit flag shows a filled mark in a strong colour; an unlit one has none of it.
    auto litPixels = [](QWidget* indicator) {
        const QImage image = indicator->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == ui::FlagIndicator::LitColour()) ++count;
            }
        }
        return count;
    };
    EXPECT_GE(litPixels(Find<QRadioButton>("rbOTR_X")), 40);
    EXPECT_EQ(litPixels(eml), 0);

    // Assistive tools read an indicator with a checked state, not a button to press.
    QAccessibleInterface* lit =
        QAccessible::queryAccessibleInterface(Find<QRadioButton>("rbOTR_X"));
    ASSERT_NE(lit, nullptr);
    EXPECT_EQ(lit->role(), QAccessible::Indicator);
    EXPECT_TRUE(lit->state().checkable);
    EXPECT_TRUE(lit->state().checked);
    EXPECT_EQ(lit->text(QAccessible::Name), "OTR_X");
    EXPECT_TRUE(lit->actionInterface() == nullptr ||
                lit->actionInterface()->actionNames().isEmpty());
    QAccessibleInterface* unlit = QAccessible::queryAccessibleInterface(eml);
    ASSERT_NE(unlit, nullptr);
    EXPECT_FALSE(unlit->state().checked);
}

TEST_F(WindowInventory, InputsAreNamedByTheLabelsThatCaptionThem) {
    for (const char* key : {"GA_X", "OA_Y", "ZERO_POS", "PHI_MAX", "AMP_EML_TH", "DTST_SET",
                            "ChipID", "SPIFreq", "ADCNT"}) {
        auto* label = Find<QLabel>((std::string("Label") + key).c_str());
        ASSERT_NE(label, nullptr) << key;
        ASSERT_NE(label->buddy(), nullptr) << key;
        EXPECT_EQ(label->buddy()->accessibleName(), label->text()) << key;
    }
}

// The tab row hides its last tabs behind scroll arrows at the window's width: the corner
// button lists every page and opens the one chosen.
TEST_F(WindowTest, TheCornerButtonListsEveryPageAndOpensTheOneChosen) {
    Open();
    auto* tabs = Find<QTabWidget>("PageControl");
    auto* corner = Find<QToolButton>("btnAllPages");
    ASSERT_NE(corner, nullptr);
    EXPECT_EQ(tabs->cornerWidget(Qt::TopRightCorner), corner);
    QMenu* menu = corner->menu();
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    ASSERT_EQ(menu->actions().size(), tabs->count());
    EXPECT_EQ(menu->actions().last()->text(), tabs->tabText(tabs->count() - 1));
    menu->actions().last()->trigger();
    EXPECT_EQ(tabs->currentIndex(), tabs->count() - 1);
    emit menu->aboutToShow();
    EXPECT_TRUE(menu->actions().last()->isChecked()) << "the page shown is ticked";
}

}  // namespace
