#include "ui/regmap_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "chip/ASens_Digital.h"
#include "ui/window_style.h"

namespace ui {

namespace {

// The table without type-ahead: a typed "0x1234" on a read-only row would otherwise jump on
// its first "0" to the next row whose text starts so, and open the editor there, on another
// register. Typing starts an editor only on the cell it was typed on.
class RegisterTable : public QTableWidget {
  public:
    using QTableWidget::QTableWidget;
    void keyboardSearch(const QString&) override {}
};

}  // namespace

RegMapPage::RegMapPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsRegMap");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(Scaled(8), Scaled(8), Scaled(8), Scaled(8));

    sgRegMap = Named(new RegisterTable(chip::kRegisterCount, kColumnCount, this), "sgRegMap");
    sgRegMap->setHorizontalHeaderLabels(
        Design("Адрес;Hex;Поля;Значение;В микросхеме;Актуально").split(QLatin1Char(';')));
    sgRegMap->verticalHeader()->hide();
    sgRegMap->verticalHeader()->setDefaultSectionSize(sgRegMap->fontMetrics().height() + Scaled(6));
    sgRegMap->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgRegMap->setSelectionMode(QAbstractItemView::SingleSelection);
    sgRegMap->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
    sgRegMap->setMinimumHeight(Scaled(160));
    QHeaderView* header = sgRegMap->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kFields, QHeaderView::Stretch);
    row->addWidget(sgRegMap, 1);

    auto* buttons = new QVBoxLayout;
    row->addLayout(buttons);
    auto button = [&](const char* name, const char* text) {
        auto* b = Named(new QPushButton(Design(text), this), name);
        b->setMinimumWidth(Scaled(190));
        buttons->addWidget(b);
        return b;
    };
    btnReadAll = button("btnReadAll", "Прочитать все");
    btnWriteAll = button("btnWriteAll", "Записать все");
    btnCompare = button("btnCompare", "Сравнить с микросхемой");
    buttons->addSpacing(Scaled(12));
    btnSaveConfig = button("btnSaveConfig", "Сохранить конфигурацию…");
    btnLoadConfig = button("btnLoadConfig", "Загрузить конфигурацию…");
    buttons->addSpacing(Scaled(12));
    pbRegMap = Named(new QProgressBar(this), "pbRegMap");
    pbRegMap->setTextVisible(true);
    pbRegMap->setValue(0);
    buttons->addWidget(pbRegMap);
    btnCancelRegMap = button("btnCancelRegMap", "Отмена");
    btnCancelRegMap->setEnabled(false);
    buttons->addStretch(1);
}

}  // namespace ui
