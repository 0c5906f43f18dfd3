// TF_About, the About window: a banner, two lines of the language file and the project's web
// address.
#pragma once

#include <QDialog>

#include "app/lang/language.h"

class QLabel;
class QPushButton;

namespace ui {

/// The maker's web address: host name only, lower case.
inline constexpr char kMakerWebAddress[] = "qx5520-tool.example.org";

class TF_About : public QDialog {
    Q_OBJECT
  public:
    /// FormCreate: the texts of the language already loaded; they are not refreshed later.
    explicit TF_About(const app::LanguageTexts& texts, QWidget* parent = nullptr);

    /// Opens the web address with the desktop's browser; the outcome is not reported.
    void LabelAboutTextLClick();

    QLabel* Image = nullptr;
    QLabel* LabelAboutText = nullptr;
    QLabel* LabelAboutTextD = nullptr;
    QLabel* LabelAboutTextL = nullptr;
    QPushButton* btnClose = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

/// The banner of the About window: our own artwork, drawn at the given size.
QPixmap AboutBanner(QSize size);

}  // namespace ui
