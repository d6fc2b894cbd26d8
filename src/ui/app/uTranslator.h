#pragma once

#include "core/app/uLanguage.h"

#include <QString>

class QWidget;

// Translation of a window from the language data: every "component.Property" value of the
// window's section is set on the component of that object name.
namespace tw {

// The language section of a window: its class name without namespace ("TfrmOptionForm"), or
// "T" followed by its object name when its class has no meta-object of its own.
QString WindowLanguageSection(const QWidget* window);

// Sets the values on the window and its components. The window is addressed by its own
// object name. Properties: Caption (text, title or window title, as the component has),
// Hint (tool tip), Title (window title or title), Text, Lines and Items (one line per "\n";
// combo and list items keep their pictures), and an item of a collection property as
// "Prop[i].Sub" (tab texts, column headers, combo and list items). Any other property is set
// as the component's own property of that name, or else kept as a dynamic property for the
// window's code to read. Names of absent components are skipped.
void ApplyLanguageValues(QWidget* window, const TNameValues& values);

} // namespace tw
