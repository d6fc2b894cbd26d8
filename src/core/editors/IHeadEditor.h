#pragma once

#include "core/editors/uHeadEdit.h"

namespace tw {

// The display picture editor's window, as the collection manager sees it: shows the prepared
// model to the user modally and tells whether the user closed it with OK. The user interface
// implements it; tests fake it.
class IHeadEditor {
public:
    virtual ~IHeadEditor() = default;
    virtual bool EditInteractive(THeadEditModel& model) = 0;
};

} // namespace tw
