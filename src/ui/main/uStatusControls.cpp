#include "ui/main/uStatusControls.h"

#include "core/collection/uMsnHeadManager.h"
#include "core/messenger/uMsnControl.h"
#include "ui/app/uEngineServices.h"
#include "ui/main/uPictureRows.h"
#include "ui/main/uSlideshow.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QWidget>
#include <algorithm>
#include <stdexcept>

namespace tw {
namespace {

constexpr std::array<const char*, 7> kItemCaptions = {
    "No Status", "Online", "Busy", "Be right back", "Away", "In a call", "Out to lunch"};
// Image of the engine's imgState beside each status item; none for "No Status".
constexpr std::array<int, 7> kItemImages = {-1, 0, 1, 2, 2, 1, 2};
constexpr int kCategoryIcons = 4;

template <typename T> T* Required(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        throw std::logic_error(std::string("the main window has no ") + name);
    }
    return found;
}

// The keys and clicks with which a combo box opens its list.
bool OpensDropDown(const QObject* watched, const QComboBox* box, const QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        return watched == box;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<const QKeyEvent*>(event);
    const bool altArrow = (key->modifiers() & Qt::AltModifier) &&
                          (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up);
    return key->key() == Qt::Key_F4 || altArrow;
}

} // namespace

TStatusWidgets TStatusWidgets::Find(QWidget* window) {
    TStatusWidgets w;
    w.statusMenu = Required<QMenu>(window, "Setstatewhenthisheaddisplay1");
    w.lbFriendlyName = Required<QLabel>(window, "lbFriendlyName");
    w.cbbPersonalIcon = Required<QComboBox>(window, "cbbPersonalIcon");
    w.cbbPersonalMsg = Required<QComboBox>(window, "cbbPersonalMsg");
    w.cbbPersonalURL = Required<QComboBox>(window, "cbbPersonalURL");
    return w;
}

TStatusControls::TStatusControls(const TStatusWidgets& widgets, IPictureRows& rows,
                                 TMsnHeadManager& manager, TEngineServices& engine, QObject* parent)
    : QObject(parent), w_(widgets), rows_(rows), manager_(manager), engine_(engine) {
    MakeStatusItems();
    connect(w_.statusMenu, &QMenu::aboutToShow, this, &TStatusControls::MarkSelectedState);

    filling_ = true;
    w_.cbbPersonalIcon->setEditable(false);
    w_.cbbPersonalIcon->clear();
    for (int k = 0; k < kCategoryIcons; ++k) {
        w_.cbbPersonalIcon->addItem(engine_.ImageList2.Icon(k), QString());
    }
    for (QComboBox* box : {w_.cbbPersonalMsg, w_.cbbPersonalURL}) {
        box->setEditable(true);
        // The lists show what the entries hold, not what was typed.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->installEventFilter(this);
        box->lineEdit()->installEventFilter(this);
    }
    filling_ = false;

    connect(w_.cbbPersonalIcon, &QComboBox::currentIndexChanged, this,
            &TStatusControls::cbbPersonalMsgChange);
    connect(w_.cbbPersonalMsg, &QComboBox::editTextChanged, this,
            &TStatusControls::cbbPersonalMsgChange);
    connect(w_.cbbPersonalURL, &QComboBox::editTextChanged, this,
            &TStatusControls::cbbPersonalMsgChange);
    // Until the link reports, the label's caption says that nobody is signed in.
    w_.lbFriendlyName->setStyleSheet(QStringLiteral("color: red;"));
    // A language puts the label's design caption back.
    connect(&engine_, &TEngineServices::LanguageChanged, this, &TStatusControls::ShowNameLabel);
}

void TStatusControls::MakeStatusItems() {
    group_ = new QActionGroup(this);
    // Entries with a code of no item leave every item unmarked.
    group_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (std::size_t code = 0; code < items_.size(); ++code) {
        const QString name = QString::fromLatin1(kItemNames[code]);
        QAction* item = w_.statusMenu->findChild<QAction*>(name);
        if (item == nullptr) {
            item = w_.statusMenu->addAction(QString::fromLatin1(kItemCaptions[code]));
            item->setObjectName(name);
        }
        if (kItemImages[code] >= 0) {
            item->setIcon(engine_.imgState.Icon(kItemImages[code]));
        }
        item->setCheckable(true);
        group_->addAction(item);
        connect(item, &QAction::triggered, this,
                [this, code] { SetState(static_cast<TMsnState>(code)); });
        items_[code] = item;
    }
}

void TStatusControls::Attach(TMsnControl& link, TSlideshowControls& slideshow) {
    slideshow.SetLink(&link);
    link.OnStateChange = [this, &slideshow](TMsnState state) {
        slideshow.StateChanged(state);
        StateChanged(state);
    };
    link.OnFriendlyNameChange = [this](const std::string& name) { FriendlyNameChanged(name); };
}

void TStatusControls::SetState(TMsnState state) {
    const int row = rows_.SelectedRow();
    if (row < 0 || row >= manager_.HeadCount()) {
        return;
    }
    manager_.SetState(row, state);
    rows_.SetRowImage(row, row * manager_.ImagesPerEntry() + manager_.GetBadgeOffset(row));
}

void TStatusControls::MarkSelectedState() {
    THeadRec entry;
    const int row = rows_.SelectedRow();
    if (row < 0 || !manager_.GetHead(row, entry)) {
        return;
    }
    for (std::size_t code = 0; code < items_.size(); ++code) {
        items_[code]->setChecked(code == entry.State);
    }
}

void TStatusControls::LoadBoxes(int i) {
    THeadRec entry;
    if (!manager_.GetHead(i, entry)) {
        return;
    }
    filling_ = true;
    w_.cbbPersonalIcon->setCurrentIndex(entry.PersonalIcon < kCategoryIcons ? entry.PersonalIcon
                                                                            : -1);
    w_.cbbPersonalMsg->setEditText(QString::fromStdString(entry.PersonalMsg));
    w_.cbbPersonalURL->setEditText(QString::fromStdString(entry.PersonalURL));
    filling_ = false;
}

void TStatusControls::cbbPersonalMsgChange() {
    const int row = rows_.SelectedRow();
    if (filling_ || row < 0 || row >= manager_.HeadCount()) {
        return;
    }
    const int icon = std::max(0, w_.cbbPersonalIcon->currentIndex());
    manager_.SetPersonal(row, w_.cbbPersonalMsg->currentText().toStdString(),
                         static_cast<std::uint8_t>(icon),
                         w_.cbbPersonalURL->currentText().toStdString());
}

void TStatusControls::RebuildDropDowns() {
    RebuildDropDown(w_.cbbPersonalMsg, &THeadRec::PersonalMsg);
    RebuildDropDown(w_.cbbPersonalURL, &THeadRec::PersonalURL);
}

void TStatusControls::RebuildDropDown(QComboBox* box, std::string THeadRec::*field) {
    filling_ = true;
    const QString text = box->currentText();
    const int cursor = box->lineEdit()->cursorPosition();
    box->clear();
    for (const std::string& item : DropDownItems(manager_.Heads(), field)) {
        box->addItem(QString::fromStdString(item));
    }
    box->setCurrentIndex(-1);
    box->setEditText(text);
    box->lineEdit()->setCursorPosition(cursor);
    filling_ = false;
}

bool TStatusControls::eventFilter(QObject* watched, QEvent* event) {
    if (OpensDropDown(watched, w_.cbbPersonalMsg, event) &&
        (watched == w_.cbbPersonalMsg || watched == w_.cbbPersonalMsg->lineEdit())) {
        RebuildDropDown(w_.cbbPersonalMsg, &THeadRec::PersonalMsg);
    } else if (OpensDropDown(watched, w_.cbbPersonalURL, event) &&
               (watched == w_.cbbPersonalURL || watched == w_.cbbPersonalURL->lineEdit())) {
        RebuildDropDown(w_.cbbPersonalURL, &THeadRec::PersonalURL);
    }
    return QObject::eventFilter(watched, event);
}

void TStatusControls::FriendlyNameChanged(const std::string& name) {
    nameLabel_.NameChanged(name);
    ShowNameLabel();
}

void TStatusControls::StateChanged(TMsnState state) {
    nameLabel_.StateChanged(state);
    ShowNameLabel();
}

void TStatusControls::ShowNameLabel() {
    // Until the link has said anything the label keeps its caption from the language.
    if (!nameLabel_.Set()) {
        return;
    }
    const std::string& text = nameLabel_.Text();
    w_.lbFriendlyName->setText(QString::fromStdString(
        nameLabel_.Red() ? engine_.Translate(std::string(kSignInPrompt)) : text));
    w_.lbFriendlyName->setStyleSheet(nameLabel_.Red() ? QStringLiteral("color: red;")
                                                      : QStringLiteral("color: black;"));
    w_.lbFriendlyName->setToolTip(QString::fromStdString(nameLabel_.Hint()));
}

} // namespace tw
