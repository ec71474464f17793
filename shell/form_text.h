#pragma once
// The window's text and the calculator's bytes: pane and field text is Latin-1, one byte a
// character; file names go to the system in its own encoding.

#include <QFile>
#include <QString>
#include <string>

namespace kelvaro::shell {

inline QString latin1(const std::string& text) {
  return QString::fromLatin1(text);
}
inline std::string bytes(const QString& text) {
  return text.toLatin1().toStdString();
}
inline std::string fileName(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace kelvaro::shell
