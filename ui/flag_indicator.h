// One status-flag indicator of the status strip: a radio-style mark with the flag's name.
// It is set by the program only; the user cannot change it, and it is drawn in normal
// colours with a lit flag as a filled mark in a strong colour.
#pragma once

#include <QRadioButton>

namespace ui {

class FlagIndicator : public QRadioButton {
    Q_OBJECT
  public:
    explicit FlagIndicator(const QString& text, QWidget* parent = nullptr);

    /// The colour of a lit flag's mark.
    static QColor LitColour();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    /// A click or a key never changes the flag.
    void nextCheckState() override {}
    void paintEvent(QPaintEvent* event) override;
};

/// Makes assistive tools announce every FlagIndicator as an indicator with a checked state
/// (not as a check box or radio button). Installed once per process.
void InstallFlagIndicatorAccessibility();

}  // namespace ui
