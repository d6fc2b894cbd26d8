#include "ui/editors/uEditorWindows.h"

#include "ui/app/uEngineServices.h"
#include "ui/editors/uAnimationGuide.h"
#include "ui/editors/uHeadEditor.h"

#include <QGuiApplication>
#include <QScreen>

namespace tw {

bool TEditorWindows::EditInteractive(THeadEditModel& model) {
    // A dialog over its parent opens centred on it.
    TfrmHeadEditor editor(model, Engine, Engine.MainWindow());
    return editor.exec() == QDialog::Accepted;
}

std::optional<TGuideResult> TEditorWindows::Run(TMsnHeadManager& manager) {
    TfrmAnimationGuide guide(manager, Engine, Engine.MainWindow());
    guide.SetOverlayList(manager.StateIcons());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        guide.move(screen->availableGeometry().center() - guide.rect().center());
    if (guide.exec() != QDialog::Accepted)
        return std::nullopt;
    return guide.TakeResult();
}

} // namespace tw
