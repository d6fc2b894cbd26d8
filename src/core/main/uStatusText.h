#pragma once

#include "core/collection/uMsnRec.h"
#include "core/messenger/MsnState.h"

#include <string>
#include <string_view>
#include <vector>

namespace tw {

inline constexpr std::string_view kSignInPrompt = "Please sign in MSN Messenger first.";

// The name label's word for a status ("Offline", "Online", "Busy", ...); fixed, not
// translated. Codes without a name of their own read as no status.
std::string StateLabelText(TMsnState state);

// A friendly name as the label shows it: whole up to 24 characters, else its first 23
// characters and "...". Characters are UTF-8 code points, so a name is never cut inside one.
std::string FriendlyNameDisplayForm(std::string_view name);

// The friendly-name label: the name in display form directly followed by the status, e.g.
// "Alice(Busy)", or the sign-in prompt in red when nobody is signed in. The full name is its
// hint.
class TFriendlyNameLabel {
public:
    // The link reported a new friendly name (empty when signed out).
    void NameChanged(std::string_view name);
    // The link reported a new status.
    void StateChanged(TMsnState state);

    // False until the first notification; the label then keeps its caption.
    bool Set() const { return set_; }
    const std::string& Text() const { return text_; }
    bool Red() const { return red_; }
    const std::string& Hint() const { return hint_; }

private:
    std::string displayName_;
    std::string suffix_;
    std::string text_;
    std::string hint_;
    bool red_ = true;
    bool set_ = false;
};

// The items of a box's drop-down list: the field's non-empty values over the entries, each
// once, in order of first use.
std::vector<std::string> DropDownItems(const THeadArray& heads, std::string THeadRec::*field);

} // namespace tw
