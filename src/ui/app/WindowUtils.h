#pragma once

class QWidget;

// Window placement helpers of the shell.
namespace tw {

// Restores `wnd` if minimised, shows it, raises it and asks for activation. Returns whether
// it is the active window now; a window manager may grant the activation only later.
bool ForceForegroundWindow(QWidget* wnd);

// Puts `wnd` into the always-on-top band or takes it out, keeping its place, size and
// visibility.
void SetWindowTopMost(QWidget* wnd, bool flag);

} // namespace tw
