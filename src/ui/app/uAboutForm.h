#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tw {

class TEngineServices;

// The About window: logo, product name, version, copyright and, for a translation, its
// translator. Shown modally by the main window.
class TfrmAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAboutForm(TEngineServices& engine, QWidget* parent = nullptr);

    QLabel* imgLogo = nullptr;
    QLabel* lbAbout = nullptr;
    QLabel* lbVersion = nullptr;
    QLabel* lbCopyRight = nullptr;
    QLabel* lbTranslater = nullptr;
    QPushButton* btnOK = nullptr;

private:
    // The texts the window completes from the language data: version and translator.
    void FillLanguageTexts();

    TEngineServices& Engine;
};

} // namespace tw
