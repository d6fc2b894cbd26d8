#include "StandInWindow.h"

#include "ClientStatuses.h"
#include "MessengerStandIn.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace tw {
namespace {

constexpr int kPictureSide = 96;

} // namespace

StandInWindow::StandInWindow(MessengerStandIn& client, QWidget* parent)
    : QWidget(parent), client_(client), edtName_(new QLineEdit(this)),
      btnSignIn_(new QPushButton(this)), cbbStatus_(new QComboBox(this)),
      imgPicture_(new QLabel(this)), lbMessage_(new QLabel(this)), lbCategory_(new QLabel(this)),
      lbUrl_(new QLabel(this)) {
    setWindowTitle(tr("Messenger stand-in"));
    edtName_->setObjectName("edtName");
    btnSignIn_->setObjectName("btnSignIn");
    cbbStatus_->setObjectName("cbbStatus");
    imgPicture_->setObjectName("imgPicture");
    imgPicture_->setFrameShape(QFrame::Box);
    // The picture shows at its real size inside the frame.
    const int framed = kPictureSide + 2 * imgPicture_->frameWidth();
    imgPicture_->setFixedSize(framed, framed);
    imgPicture_->setAlignment(Qt::AlignCenter);
    for (QLabel* label : {lbMessage_, lbCategory_, lbUrl_}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setTextFormat(Qt::PlainText);
    }
    for (const ClientStatusInfo& info : ClientStatusTable()) {
        cbbStatus_->addItem(QString::fromLatin1(info.label), info.value);
    }

    auto* layout = new QFormLayout(this);
    layout->addRow(tr("Friendly name:"), edtName_);
    layout->addRow(QString(), btnSignIn_);
    layout->addRow(tr("Status:"), cbbStatus_);
    layout->addRow(tr("Display picture:"), imgPicture_);
    layout->addRow(tr("Personal message:"), lbMessage_);
    layout->addRow(tr("Category:"), lbCategory_);
    layout->addRow(tr("URL:"), lbUrl_);

    connect(edtName_, &QLineEdit::editingFinished, this, [this] {
        if (edtName_->text() != client_.Name()) {
            client_.SetName(edtName_->text());
        }
    });
    connect(btnSignIn_, &QPushButton::clicked, this, [this] {
        if (client_.SignedIn()) {
            client_.SignOut();
        } else {
            client_.SignIn();
        }
    });
    connect(cbbStatus_, &QComboBox::activated, this,
            [this](int index) { client_.SetStatus(cbbStatus_->itemData(index).toInt()); });
    connect(&client_, &MessengerStandIn::Changed, this, &StandInWindow::Refresh);
    Refresh();
}

void StandInWindow::Refresh() {
    if (!edtName_->hasFocus()) {
        edtName_->setText(client_.Name());
    }
    btnSignIn_->setText(client_.SignedIn() ? tr("Sign out") : tr("Sign in"));
    {
        const QSignalBlocker blocker(cbbStatus_);
        cbbStatus_->setCurrentIndex(
            cbbStatus_->findData(client_.SignedIn() ? client_.ChosenStatus() : 1));
    }
    const QImage& picture = client_.Picture();
    imgPicture_->setPixmap(picture.isNull() ? QPixmap()
                                            : QPixmap::fromImage(picture.scaled(
                                                  kPictureSide, kPictureSide, Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation)));
    imgPicture_->setToolTip(client_.PicturePath());
    const auto& playing = client_.NowPlaying();
    lbMessage_->setText(playing ? QString::fromStdString(playing->ShownText()) : QString());
    lbCategory_->setText(playing ? QString::fromStdString(playing->category) : QString());
    lbUrl_->setText(playing ? QString::fromStdString(playing->Url()) : QString());
}

} // namespace tw
