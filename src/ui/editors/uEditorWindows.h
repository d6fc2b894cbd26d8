#pragma once

#include "core/collection/uMsnHeadManager.h"
#include "core/editors/IHeadEditor.h"

namespace tw {

class TEngineServices;

// The editor windows as the collection manager runs them: each call makes a fresh window over
// the main window, shows it modally and frees it afterwards.
class TEditorWindows : public IHeadEditor, public IAnimationGuide {
public:
    explicit TEditorWindows(TEngineServices& engine) : Engine(engine) {}

    // The display picture editor over `model`; true when closed with OK.
    bool EditInteractive(THeadEditModel& model) override;
    // The Easy Animation guide; its slide when finished.
    std::optional<TGuideResult> Run(TMsnHeadManager& manager) override;

private:
    TEngineServices& Engine;
};

} // namespace tw
