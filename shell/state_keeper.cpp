#include "shell/state_keeper.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QThread>
#include <exception>
#include <stdexcept>

#include "commands/file_io.h"
#include "shell/form_text.h"

namespace kelvaro::shell {

namespace {

// A state file larger than this is no state the window wrote.
constexpr std::uint64_t kLargestStateFile = std::uint64_t{4} << 30;

// The pane texts leave the window as QString (cheap to copy) and become bytes on the writer.
struct Pending {
  KeptState state;
  QString panes[3];
};

}  // namespace

QString StateKeeper::defaultFolder() {
  const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
  const QString base =
      QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.local/state");
  return QDir::cleanPath(base + QStringLiteral("/kelvaro"));
}

StateKeeper::StateKeeper(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {
  timer_.setSingleShot(true);
  timer_.setInterval(kDelayMs);
  connect(&timer_, &QTimer::timeout, this, &StateKeeper::startWrite);
}

StateKeeper::~StateKeeper() {
  if (writer_) writer_->wait();
}

QString StateKeeper::path() const {
  return folder_ + QLatin1Char('/') + QLatin1String(kFileName);
}

std::optional<KeptState> StateKeeper::load(QString& note) {
  const QString file = path();
  if (!QFileInfo::exists(file)) return std::nullopt;
  std::string text, reason;
  std::optional<KeptState> state;
  if (readWholeFile(fileName(file), text, reason, kLargestStateFile)) state = readKeptState(text);
  if (state) return state;
  // Kept aside under a name of its own: a second damaged file does not replace the first.
  QString aside = file + QStringLiteral(".damaged");
  for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
    aside = file + QStringLiteral(".damaged-%1").arg(n);
  if (QFile::rename(file, aside)) {
    note = QStringLiteral("The window's saved state could not be read; it was set aside as %1.")
               .arg(aside);
  } else {
    enabled_ = false;
    note = QStringLiteral(
               "The window's saved state %1 could not be read, nor set aside: this window "
               "keeps nothing.")
               .arg(file);
  }
  return std::nullopt;
}

void StateKeeper::watch(QPlainTextEdit* const panes[3], std::function<void(KeptState&)> gather) {
  gather_ = std::move(gather);
  for (int i = 0; i < 3; ++i) {
    panes_[i] = panes[i];
    connect(panes[i]->document(), &QTextDocument::contentsChanged, this, [this, i] {
      paneChanged_[i] = true;
      changed();
    });
  }
}

void StateKeeper::changed() {
  pending_ = true;
  // Not restarted by later changes: steady typing is kept every moment all the same.
  if (enabled_ && !timer_.isActive()) timer_.start();
}

KeptState StateKeeper::gathered() {
  KeptState state;
  if (gather_) gather_(state);
  for (int i = 0; i < 3; ++i) {
    if (panes_[i] && paneChanged_[i]) paneTexts_[i] = panes_[i]->toPlainText();
    paneChanged_[i] = false;
  }
  pending_ = false;
  return state;
}

void StateKeeper::startWrite() {
  if (!enabled_ || writer_) return;  // the write under way starts the next when it ends
  auto* pending = new Pending{gathered(), {paneTexts_[0], paneTexts_[1], paneTexts_[2]}};
  const QString folder = folder_, file = path();
  writer_ = QThread::create([this, pending, folder, file] {
    Pending& p = *pending;
    for (int i = 0; i < 3; ++i) p.state.panes[i] = bytes(p.panes[i]);
    writeError_.clear();
    try {
      // The folder is the person's own: made for them alone.
      if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder))
          throw std::runtime_error(QStringLiteral("Cannot create the folder %1.")
                                       .arg(folder)
                                       .toLocal8Bit()
                                       .toStdString());
        ::chmod(fileName(folder).c_str(), 0700);
      }
      writeFileSafely(fileName(file), writeKeptState(p.state));
    } catch (const std::exception& e) {
      writeError_ = QString::fromLocal8Bit(e.what());
    }
    delete pending;
  });
  connect(writer_, &QThread::finished, this, [this, thread = writer_] {
    if (writer_ == thread) writeEnded();  // else writeNow has taken it in
  });
  writer_->start();
}

void StateKeeper::writeEnded() {
  writer_->deleteLater();
  writer_ = nullptr;
  if (!writeError_.isEmpty() && !failureShown_) emit failed(writeError_);
  failureShown_ = !writeError_.isEmpty();
  if (pending_ && !timer_.isActive()) timer_.start();
}

void StateKeeper::writeNow() {
  timer_.stop();
  if (writer_) {
    writer_->wait();
    writeEnded();
    timer_.stop();
  }
  startWrite();
  if (writer_) {
    writer_->wait();
    writeEnded();
  }
}

}  // namespace kelvaro::shell
