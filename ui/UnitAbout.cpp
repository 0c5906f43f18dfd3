#include "ui/UnitAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

#include "ui/message_box.h"
#include "ui/window_style.h"

namespace ui {

QPixmap AboutBanner(QSize size) {
    QPixmap banner(size);
    banner.fill(Qt::white);
    QPainter painter(&banner);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card(12, 10, size.width() - 24, size.height() - 20);
    QLinearGradient background(card.topLeft(), card.bottomRight());
    background.setColorAt(0, QColor(18, 44, 84));
    background.setColorAt(1, QColor(36, 96, 150));
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(card, 10, 10);

    // A sine and a cosine trace, and the circle they draw against each other.
    const double left = card.left() + 20, width = card.width() * 0.55;
    const double middle = card.center().y() + 10, amplitude = card.height() * 0.26;
    for (const auto& [phase, colour] :
         {std::pair{0.0, QColor(255, 190, 70)}, std::pair{M_PI / 2, QColor(120, 220, 255)}}) {
        QPainterPath trace;
        for (int i = 0; i <= 200; ++i) {
            const double x = left + width * i / 200.0;
            const double y = middle - amplitude * std::sin(2 * 2 * M_PI * i / 200.0 + phase);
            i == 0 ? trace.moveTo(x, y) : trace.lineTo(x, y);
        }
        painter.setPen(QPen(colour, 2.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(trace);
    }
    const QPointF centre(card.right() - card.height() * 0.55, middle);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
    painter.drawEllipse(centre, amplitude, amplitude);
    painter.setPen(QPen(QColor(255, 80, 80), 3));
    painter.drawLine(centre, centre + QPointF(amplitude * 0.7, -amplitude * 0.7));

    QFont title = WindowFont();
    title.setPointSize(20);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(left, card.top() + 8, width, 40), Qt::AlignLeft | Qt::AlignTop,
                     "QX5520");
    return banner;
}

TF_About::TF_About(const app::LanguageTexts& texts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
    setObjectName("F_About");
    setFont(WindowFont());
    setWindowTitle("About");
    setFixedSize(Scaled(422), Scaled(287));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Image = new QLabel(this);
    Image->setObjectName("Image");
    Image->setFixedSize(Scaled(422), Scaled(138));
    Image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image->setPixmap(AboutBanner(Image->size()));

    LabelAboutText = new QLabel(QString::fromStdString(texts.vAboutText), this);
    LabelAboutText->setObjectName("LabelAboutText");
    QFont bold = WindowFont();
    bold.setPointSize(10);
    bold.setBold(true);
    LabelAboutText->setFont(bold);
    LabelAboutTextD = new QLabel(QString::fromStdString(texts.vAboutTextD), this);
    LabelAboutTextD->setObjectName("LabelAboutTextD");
    LabelAboutTextL = new QLabel("\n" + QString::fromLatin1(kMakerWebAddress).toUpper(), this);
    LabelAboutTextL->setObjectName("LabelAboutTextL");
    QFont underlined = WindowFont();
    underlined.setUnderline(true);
    LabelAboutTextL->setFont(underlined);
    QPalette blue = LabelAboutTextL->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    LabelAboutTextL->setPalette(blue);
    LabelAboutTextL->setCursor(Qt::PointingHandCursor);
    LabelAboutTextL->installEventFilter(this);
    for (QLabel* label : {LabelAboutText, LabelAboutTextD, LabelAboutTextL}) {
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
    }

    btnClose = new QPushButton(Design("Закрыть"), this);
    btnClose->setObjectName("btnClose");
    btnClose->setFixedSize(Scaled(75), Scaled(25));
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, Scaled(8));
    layout->setSpacing(Scaled(2));
    layout->addWidget(Image);
    layout->addSpacing(Scaled(4));
    layout->addWidget(LabelAboutText);
    layout->addWidget(LabelAboutTextD);
    layout->addWidget(LabelAboutTextL);
    layout->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    buttons->addSpacing(Scaled(8));
    layout->addLayout(buttons);
}

void TF_About::LabelAboutTextLClick() {
    OpenUrl(this, QUrl(QStringLiteral("http://") + kMakerWebAddress));
}

bool TF_About::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LabelAboutTextL && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        LabelAboutTextLClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ui
