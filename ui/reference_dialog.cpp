#include "ui/reference_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "ui/window_style.h"

namespace ui {

namespace {

constexpr double kUnits[] = {1.0, 1e-3, 1e-6};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

bool NameHas(const std::string& name, std::initializer_list<const char*> words) {
    const QString lower = QString::fromStdString(name).toLower();
    return std::any_of(words.begin(), words.end(), [&lower](const char* word) {
        return lower.contains(QString::fromUtf8(word));
    });
}

}  // namespace

app::ReferenceColumns GuessColumns(const app::CsvPreview& preview) {
    app::ReferenceColumns columns;
    if (!preview.header) return columns;
    const auto& names = preview.names;
    auto find = [&names](std::initializer_list<const char*> words, size_t fallback) {
        for (size_t i = 0; i < names.size(); ++i) {
            if (NameHas(names[i], words)) return i;
        }
        return fallback;
    };
    columns.time = find({"time", "zeit", "врем"}, 0);
    columns.angle = find({"angle", "deg", "pos", "угол"}, columns.time == 0 ? 1 : 0);
    if (names.size() > 1 && columns.angle == columns.time)
        columns.angle = columns.time == 0 ? 1 : 0;
    if (NameHas(names[columns.time], {"ms", "мс"})) columns.secondsPerUnit = 1e-3;
    return columns;
}

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

    const app::ReferenceColumns guess = GuessColumns(preview);
    cbRefTime->setCurrentIndex(static_cast<int>(guess.time));
    cbRefAngle->setCurrentIndex(static_cast<int>(guess.angle));
    cbRefUnit->setCurrentIndex(guess.secondsPerUnit == 1.0 ? 0 : 1);

    auto* form = new QFormLayout;
    form->addRow(Text(texts.vRefTime), cbRefTime);
    form->addRow(Text(texts.vRefAngle), cbRefAngle);
    form->addRow(Text(texts.vRefUnit), cbRefUnit);
    form->addRow(Text(texts.vRefOrigin), cbRefOrigin);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Time and angle are two different columns.
    auto* ok = buttons->button(QDialogButtonBox::Ok);
    auto check = [this, ok] {
        ok->setEnabled(cbRefTime->count() > 1 &&
                       cbRefTime->currentIndex() != cbRefAngle->currentIndex());
    };
    connect(cbRefTime, &QComboBox::currentIndexChanged, this, check);
    connect(cbRefAngle, &QComboBox::currentIndexChanged, this, check);
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
    return columns;
}

std::optional<app::ReferenceColumns> ChooseReferenceColumns(QWidget* parent,
                                                            const app::CsvPreview& preview,
                                                            const app::AccuracyTexts& texts) {
    ReferenceDialog dialog(preview, texts, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Columns();
}

}  // namespace ui
