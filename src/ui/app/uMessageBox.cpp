#include "ui/app/uMessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tw {
namespace {

QString SkinString(const TNameValues& strings, const char* key, const char* fallback) {
    const auto found = strings.find(key);
    return QString::fromUtf8(found != strings.end() ? found->second : std::string(fallback));
}

QStyle::StandardPixmap IconOf(TMsgDlgType type) {
    switch (type) {
    case TMsgDlgType::Warning:
        return QStyle::SP_MessageBoxWarning;
    case TMsgDlgType::Error:
        return QStyle::SP_MessageBoxCritical;
    case TMsgDlgType::Confirmation:
        return QStyle::SP_MessageBoxQuestion;
    case TMsgDlgType::Information:
        break;
    }
    return QStyle::SP_MessageBoxInformation;
}

} // namespace

int EscapeResult(TMsgDlgBtn buttons) {
    if (HasButton(buttons, TMsgDlgBtn::Cancel))
        return mrCancel;
    if (HasButton(buttons, TMsgDlgBtn::No))
        return mrNo;
    return mrOK;
}

TfrmMessageBox::TfrmMessageBox(const TMessageBoxRequest& request, const TNameValues& strings,
                               QWidget* parent)
    : QDialog(parent), Escape(EscapeResult(request.Buttons)) {
    setObjectName(QStringLiteral("dlgMessage"));
    setWindowTitle(request.Caption);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(IconOf(request.Type), nullptr, this).pixmap(size));
    icon->setAlignment(Qt::AlignTop);

    lbText = new QLabel(request.Text, this);
    lbText->setObjectName(QStringLiteral("lbText"));
    lbText->setTextFormat(Qt::PlainText);
    lbText->setWordWrap(true);
    lbText->setMinimumWidth(280);
    lbText->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(lbText, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    if (request.ShowAgainBox) {
        cbShowFlag = new QCheckBox(
            SkinString(strings, "MSG_CAP_SHOWFLAG", "Don't display this message again"), this);
        cbShowFlag->setObjectName(QStringLiteral("cbShowFlag"));
        layout->addWidget(cbShowFlag);
    }

    auto* box = new QDialogButtonBox(this);
    const struct {
        TMsgDlgBtn Button;
        const char* Key;
        const char* Fallback;
        int Result;
        QDialogButtonBox::ButtonRole Role;
    } buttons[] = {
        {TMsgDlgBtn::Yes, "MSG_BTN_YES", "&Yes", mrYes, QDialogButtonBox::YesRole},
        {TMsgDlgBtn::No, "MSG_BTN_NO", "&No", mrNo, QDialogButtonBox::NoRole},
        {TMsgDlgBtn::OK, "MSG_BTN_OK", "&OK", mrOK, QDialogButtonBox::AcceptRole},
        {TMsgDlgBtn::Cancel, "MSG_BTN_CANCEL", "&Cancel", mrCancel, QDialogButtonBox::RejectRole},
    };
    bool first = true;
    for (const auto& b : buttons) {
        if (!HasButton(request.Buttons, b.Button))
            continue;
        QPushButton* button = box->addButton(SkinString(strings, b.Key, b.Fallback), b.Role);
        button->setObjectName(QString::fromLatin1(b.Key));
        button->setDefault(first);
        first = false;
        const int result = b.Result;
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    }
    layout->addWidget(box);
}

TMessageBoxAnswer TfrmMessageBox::Execute() {
    int result = exec();
    // Escape and the close button end the box with 0 (rejected).
    if (result == QDialog::Rejected)
        result = Escape;
    return {result, cbShowFlag != nullptr && cbShowFlag->isChecked()};
}

} // namespace tw
