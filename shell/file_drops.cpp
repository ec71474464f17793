#include "shell/file_drops.h"

#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUrl>

#include "shell/Unit1.h"

namespace kelvaro::shell {

namespace {

// The first local file the data names, or "".
QString droppedFile(const QMimeData* data) {
  if (data && data->hasUrls())
    for (const QUrl& url : data->urls())
      if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

}  // namespace

FileDrops::FileDrops(TForm1& form, QPlainTextEdit* paneA, QPlainTextEdit* paneB)
    : QObject(&form), form_(form), panes_{paneA, paneB} {
  form.setAcceptDrops(true);
  form.installEventFilter(this);
  for (QWidget* part : form.findChildren<QWidget*>())
    if (part->acceptDrops()) part->installEventFilter(this);
}

bool FileDrops::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const QString path = droppedFile(drop->mimeData());
  if (path.isEmpty()) return false;
  const bool project = path.endsWith(".mtx", Qt::CaseInsensitive);
  int pane = -1;
  for (int i = 0; i < 2; ++i)
    if (watched == panes_[i] || panes_[i]->isAncestorOf(qobject_cast<QWidget*>(watched))) pane = i;
  if (!project && pane < 0) {
    drop->ignore();
    return true;
  }
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) {
    // Once the drop is over: a message box must not keep the program it came from waiting.
    QTimer::singleShot(0, &form_, [form = &form_, path, project, pane] {
      if (project)
        form->openProject(path);
      else
        form->pasteFile(pane, path);
    });
  }
  return true;
}

}  // namespace kelvaro::shell
