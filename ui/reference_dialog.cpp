#include "ui/reference_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/window_style.h"

namespace ui {

namespace {

constexpr double kUnits[] = {1.0, 1e-3, 1e-6};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

ReferenceDialog::ReferenceDialog(const app::CsvPreview& preview, const app::AccuracyTexts& texts,
                                 QWidget* parent)
    : QDialog(parent) {
    setObjectName("ReferenceDialog");
    setWindowTitle(Text(texts.vRefTitle));
    TablePreview = Named(new QTableWidget(this), "TablePreview");
    TablePreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TablePreview->setColumnCount(static_cast<int>(preview.names.size()));
    TablePreview->setRowCount(static_cast<int>(preview.rows.size()));
    QStringList headers;
    for (const std::string& name : preview.names) headers << Text(name);
    TablePreview->setHorizontalHeaderLabels(headers);
    for (size_t r = 0; r < preview.rows.size(); ++r) {
        for (size_t c = 0; c < preview.rows[r].size(); ++c) {
            TablePreview->setItem(static_cast<int>(r), static_cast<int>(c),
                                  new QTableWidgetItem(Text(preview.rows[r][c])));
        }
    }
    TablePreview->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    cbRefTime = Named(new QComboBox(this), "cbRefTime");
    cbRefAngle = Named(new QComboBox(this), "cbRefAngle");
    cbRefTime->addItems(headers);
    cbRefAngle->addItems(headers);
    cbRefUnit = Named(new QComboBox(this), "cbRefUnit");
    cbRefUnit->addItems({QStringLiteral("s"), QStringLiteral("ms"), QString::fromUtf8("µs")});
    cbRefOrigin = Named(new QComboBox(this), "cbRefOrigin");
    cbRefOrigin->addItems({Text(texts.vRefEpoch), Text(texts.vRefStart)});

    cbRefAngleUnit = Named(new QComboBox(this), "cbRefAngleUnit");
    cbRefAngleUnit->addItems(
        {Text(texts.vRefDegrees), Text(texts.vRefRadians), Text(texts.vRefCounts)});
    EditRefCounts = Named(new QLineEdit(this), "EditRefCounts");

    const app::ReferenceColumns guess = app::GuessColumns(preview);
    cbRefTime->setCurrentIndex(static_cast<int>(guess.time));
    cbRefAngle->setCurrentIndex(static_cast<int>(guess.angle));
    cbRefUnit->setCurrentIndex(guess.secondsPerUnit == 1.0 ? 0 : 1);
    cbRefAngleUnit->setCurrentIndex(static_cast<int>(guess.angleUnit));
    if (guess.countsPerTurn > 0) EditRefCounts->setText(QString::number(guess.countsPerTurn));
    auto* angleUnitRow = new QHBoxLayout;
    angleUnitRow->addWidget(cbRefAngleUnit);
    angleUnitRow->addWidget(EditRefCounts, 1);

    auto* form = new QFormLayout;
    form->addRow(Text(texts.vRefTime), cbRefTime);
    form->addRow(Text(texts.vRefAngle), cbRefAngle);
    form->addRow(Text(texts.vRefAngleUnit), angleUnitRow);
    form->addRow(Text(texts.vRefUnit), cbRefUnit);
    form->addRow(Text(texts.vRefOrigin), cbRefOrigin);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Time and angle are two different columns.
    auto* ok = buttons->button(QDialogButtonBox::Ok);
    // Counts need their count per turn.
    auto check = [this, ok] {
        const bool counts = cbRefAngleUnit->currentIndex() == 2;
        EditRefCounts->setEnabled(counts);
        ok->setEnabled(cbRefTime->count() > 1 &&
                       cbRefTime->currentIndex() != cbRefAngle->currentIndex() &&
                       (!counts || CountsPerTurn() > 0));
    };
    connect(cbRefTime, &QComboBox::currentIndexChanged, this, check);
    connect(cbRefAngle, &QComboBox::currentIndexChanged, this, check);
    connect(cbRefAngleUnit, &QComboBox::currentIndexChanged, this, check);
    connect(EditRefCounts, &QLineEdit::textChanged, this, check);
    check();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TablePreview, 1);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(Scaled(560), Scaled(420));
}

app::ReferenceColumns ReferenceDialog::Columns() const {
    app::ReferenceColumns columns;
    columns.time = static_cast<size_t>(std::max(0, cbRefTime->currentIndex()));
    columns.angle = static_cast<size_t>(std::max(0, cbRefAngle->currentIndex()));
    columns.secondsPerUnit = kUnits[std::clamp(cbRefUnit->currentIndex(), 0, 2)];
    columns.fromRecordingStart = cbRefOrigin->currentIndex() == 1;
    columns.angleUnit =
        static_cast<app::AngleUnit>(std::clamp(cbRefAngleUnit->currentIndex(), 0, 2));
    columns.countsPerTurn = CountsPerTurn();
    return columns;
}

double ReferenceDialog::CountsPerTurn() const {
    bool ok = false;
    const double counts = EditRefCounts->text().trimmed().toDouble(&ok);
    return ok && counts > 0 ? counts : 0.0;
}

std::optional<app::ReferenceColumns> ChooseReferenceColumns(QWidget* parent,
                                                            const app::CsvPreview& preview,
                                                            const app::AccuracyTexts& texts) {
    ReferenceDialog dialog(preview, texts, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Columns();
}

}  // namespace ui
