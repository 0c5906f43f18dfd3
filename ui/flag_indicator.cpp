#include "ui/flag_indicator.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

namespace ui {
namespace {

constexpr int kMark = 12;  // diameter of the mark at 96 dpi, in font-relative pixels
constexpr int kGap = 5;

class AccessibleFlagIndicator : public QAccessibleWidget {
  public:
    explicit AccessibleFlagIndicator(FlagIndicator* indicator)
        : QAccessibleWidget(indicator, QAccessible::Indicator) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return Indicator()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = Indicator()->isChecked();
        s.focusable = false;
        return s;
    }
    // Nothing to press or toggle.
    QStringList actionNames() const override { return {}; }

  private:
    FlagIndicator* Indicator() const { return static_cast<FlagIndicator*>(object()); }
};

QAccessibleInterface* FlagIndicatorFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("ui::FlagIndicator") && object && object->isWidgetType()) {
        return new AccessibleFlagIndicator(static_cast<FlagIndicator*>(object));
    }
    return nullptr;
}

}  // namespace

FlagIndicator::FlagIndicator(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
    setAutoExclusive(false);
    setFocusPolicy(Qt::NoFocus);
    // Clicks pass through to the strip: the flag is the chip's, not the user's.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    InstallFlagIndicatorAccessibility();
}

QColor FlagIndicator::LitColour() {
    return QColor(0, 150, 0);
}

QSize FlagIndicator::sizeHint() const {
    const QFontMetrics metrics(font());
    const int mark = std::max(kMark, metrics.height() - 2);
    QFont bold = font();
    bold.setBold(true);
    // Wide enough for the bold caption of a lit flag, so the strip does not move.
    const int text = QFontMetrics(bold).horizontalAdvance(this->text());
    return {mark + kGap + text + 2, std::max(mark, metrics.height()) + 4};
}

void FlagIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const QFontMetrics metrics(font());
    const int mark = std::max(kMark, metrics.height() - 2);
    const QRectF markRect(1.5, (height() - mark) / 2.0 + 0.5, mark - 1, mark - 1);
    if (isChecked()) {
        painter.setPen(QPen(LitColour().darker(130), 1.5));
        painter.setBrush(LitColour());
    } else {
        painter.setPen(QPen(colours.color(QPalette::Active, QPalette::Mid), 1.5));
        painter.setBrush(colours.color(QPalette::Active, QPalette::Base));
    }
    painter.drawEllipse(markRect);

    QFont textFont = font();
    textFont.setBold(isChecked());
    painter.setFont(textFont);
    painter.setPen(colours.color(QPalette::Active, QPalette::WindowText));
    const QRect textRect(mark + kGap, 0, width() - mark - kGap, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text());
}

void InstallFlagIndicatorAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(FlagIndicatorFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace ui
