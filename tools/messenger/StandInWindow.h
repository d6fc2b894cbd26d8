#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tw {

class MessengerStandIn;

// The stand-in's window: the user's name, sign-in state and status, and what the link last
// sent (display picture, personal message with its category and URL).
class StandInWindow : public QWidget {
    Q_OBJECT

public:
    explicit StandInWindow(MessengerStandIn& client, QWidget* parent = nullptr);

private:
    void Refresh();

    MessengerStandIn& client_;
    QLineEdit* edtName_;
    QPushButton* btnSignIn_;
    QComboBox* cbbStatus_;
    QLabel* imgPicture_;
    QLabel* lbMessage_;
    QLabel* lbCategory_;
    QLabel* lbUrl_;
};

} // namespace tw
