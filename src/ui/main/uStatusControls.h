#pragma once

#include "core/main/uStatusText.h"

#include <QObject>
#include <array>
#include <string>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QWidget;

namespace tw {

class IPictureRows;
class TEngineServices;
class TMsnControl;
class TMsnHeadManager;
class TSlideshowControls;

// The main window's components for the status and personal-message controls.
struct TStatusWidgets {
    // The list's submenu "Set status when this head display"; its seven items are made when
    // the window has not made them.
    QMenu* statusMenu = nullptr;
    QLabel* lbFriendlyName = nullptr;
    QComboBox* cbbPersonalIcon = nullptr;
    QComboBox* cbbPersonalMsg = nullptr;
    QComboBox* cbbPersonalURL = nullptr;

    // The components of `window` by object name. Throws std::logic_error naming the first
    // one that is missing.
    static TStatusWidgets Find(QWidget* window);
};

// The status each entry is shown for, the entry's personal message in three boxes, and the
// label with the user's Messenger name and status.
class TStatusControls : public QObject {
    Q_OBJECT
public:
    static constexpr std::array<const char*, 7> kItemNames = {
        "NoState1", "Online1", "Busy1", "BeRightBack1", "Away1", "OnthePhone1", "OutToLunch1"};

    TStatusControls(const TStatusWidgets& widgets, IPictureRows& rows, TMsnHeadManager& manager,
                    TEngineServices& engine, QObject* parent = nullptr);

    // Gives the slideshow the link and follows the link's notifications: a new status goes
    // to the slideshow first, then to the name label. The link must not notify once either is gone.
    void Attach(TMsnControl& link, TSlideshowControls& slideshow);

    // The status item for `state`: ties the selected entry to it and shows its badge.
    void SetState(TMsnState state);
    // Shows entry i's personal message in the boxes without storing anything.
    void LoadBoxes(int i);
    // Stores the boxes into the selected entry.
    void cbbPersonalMsgChange();
    // Refills the two drop-down lists from the entries; the typed texts stay.
    void RebuildDropDowns();

    void FriendlyNameChanged(const std::string& name);
    void StateChanged(TMsnState state);

    QAction* StatusItem(int code) const { return items_[static_cast<std::size_t>(code)]; }
    const TFriendlyNameLabel& NameLabel() const { return nameLabel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MakeStatusItems();
    void MarkSelectedState();
    void ShowNameLabel();
    void RebuildDropDown(QComboBox* box, std::string THeadRec::*field);

    TStatusWidgets w_;
    IPictureRows& rows_;
    TMsnHeadManager& manager_;
    TEngineServices& engine_;
    std::array<QAction*, 7> items_{};
    QActionGroup* group_ = nullptr;
    TFriendlyNameLabel nameLabel_;
    // Set while the program itself fills the boxes, whose change events must not store.
    bool filling_ = false;
};

} // namespace tw
