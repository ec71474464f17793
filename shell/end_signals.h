#pragma once
// The signals that end a program (SIGTERM, SIGINT, SIGHUP) and the window: the first closes it
// as its close button does (a command under way is cancelled, a save ends whole or leaves no
// file behind); a second one ends the program at once, without the temporary file of a save
// under way.

class QWidget;

namespace kelvaro::shell {

void closeOnEndSignals(QWidget& window);

}  // namespace kelvaro::shell
