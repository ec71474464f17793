#pragma once
// Keeps the window's state in its file under the user's state folder, so that nothing typed is
// lost when the window closes, crashes or is killed: a moment after a change (changes coming
// in the meantime go with it) the state is gathered on the window's thread and written on a
// thread of its own, whole or not at all, one write at a time; and once more as the window
// closes. A file that does not read is set aside under another name, never written over.

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

#include "shell/kept_state.h"

class QPlainTextEdit;
class QThread;

namespace kelvaro::shell {

class StateKeeper : public QObject {
  Q_OBJECT
 public:
  // How long after a change the state is written.
  static constexpr int kDelayMs = 500;
  // The file in the folder.
  static constexpr char kFileName[] = "state";

  // $XDG_STATE_HOME/kelvaro when XDG_STATE_HOME is an absolute path, else
  // ~/.local/state/kelvaro.
  static QString defaultFolder();

  explicit StateKeeper(QString folder, QObject* parent = nullptr);
  ~StateKeeper() override;

  QString path() const;
  // The state the file holds. A file that is there but does not read is renamed aside and
  // note tells where it went; nothing is written while it could not be.
  std::optional<KeptState> load(QString& note);

  // What is kept: the panes' texts (read again only when they changed) and the rest from
  // gather. Changes of the panes start a write; others are announced with changed().
  void watch(QPlainTextEdit* const panes[3], std::function<void(KeptState&)> gather);
  void changed();
  // Writes the state now, after the write under way (as the window closes).
  void writeNow();

 signals:
  // A write failed; the text says why. Said once until a write succeeds again.
  void failed(const QString& text);

 private:
  KeptState gathered();
  void startWrite();
  void writeEnded();

  QString folder_;
  bool enabled_ = true;
  QPlainTextEdit* panes_[3] = {nullptr, nullptr, nullptr};
  QString paneTexts_[3];
  bool paneChanged_[3] = {true, true, true};
  std::function<void(KeptState&)> gather_;
  QTimer timer_;
  bool pending_ = false;  // a change since the state was last gathered
  QThread* writer_ = nullptr;
  QString writeError_;
  bool failureShown_ = false;
};

}  // namespace kelvaro::shell
