#pragma once
// Measures how long the window takes to appear: from the start of the process (as the system
// recorded it) to the first paint of the window.

class QWidget;

namespace kelvaro::shell {

// Milliseconds since this process was started, or a negative value when unknown.
double millisecondsSinceProcessStart();

// On the first paint of the window: prints "kelvaro: first paint after N ms" on standard
// error and ends the program.
void reportFirstPaint(QWidget& window);

}  // namespace kelvaro::shell
