#include "ui/app/uAboutForm.h"

#include "core/app/uSettings.h"
#include "core/app/uUtils.h"
#include "ui/app/uEngineServices.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tw {

TfrmAboutForm::TfrmAboutForm(TEngineServices& engine, QWidget* parent)
    : QDialog(parent), Engine(engine) {
    setObjectName(QStringLiteral("frmAboutForm"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setFixedSize(64, 64);
    // A missing or unreadable logo leaves the picture empty.
    imgLogo->setPixmap(
        QPixmap(QString::fromStdString(Settings().ProgramFolder() + "res/images/logo.png")));

    lbAbout = new QLabel(this);
    lbAbout->setObjectName(QStringLiteral("lbAbout"));
    QFont large = lbAbout->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    lbAbout->setFont(large);

    lbVersion = new QLabel(this);
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    lbCopyRight = new QLabel(this);
    lbCopyRight->setObjectName(QStringLiteral("lbCopyRight"));
    lbCopyRight->setWordWrap(true);
    lbTranslater = new QLabel(this);
    lbTranslater->setObjectName(QStringLiteral("lbTranslater"));

    btnOK = new QPushButton(this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setHorizontalSpacing(16);
    layout->addWidget(imgLogo, 0, 0, 4, 1, Qt::AlignTop);
    layout->addWidget(lbAbout, 0, 1);
    layout->addWidget(lbVersion, 1, 1);
    layout->addWidget(lbCopyRight, 2, 1);
    layout->addWidget(lbTranslater, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    layout->addLayout(buttons, 4, 0, 1, 2);
    setFixedWidth(400);

    Engine.AddTranslatedWindow(this);
    FillLanguageTexts();
    connect(&Engine, &TEngineServices::LanguageChanged, this, &TfrmAboutForm::FillLanguageTexts);
}

void TfrmAboutForm::FillLanguageTexts() {
    const TLanguageData& language = Engine.CurrentLanguage();
    const std::string lines = language.Value("TfrmAboutForm", "lbVersion.Lines").value_or("");
    lbVersion->setText(
        QString::fromUtf8(FormatArgs(DecodeLanguageValue(lines), {Settings().VersionText()})));

    const std::string name = language.Value("Info", "Language").value_or("");
    const bool translated = !name.empty() && name != "English";
    lbTranslater->setVisible(translated);
    if (translated)
        lbTranslater->setText(QString::fromUtf8(name + " is tranlated by \n" +
                                                language.Value("Info", "Translator").value_or("")));
}

} // namespace tw
