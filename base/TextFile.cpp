#include "base/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "base/Errors.h"

namespace tandemix {

LineList SplitLines(std::string_view text) {
  const auto nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  LineList lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

LineList ReadTextLines(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (QFileInfo(file).isDir() || !file.open(QIODevice::ReadOnly)) throw CannotOpenFile(path);
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) throw CannotOpenFile(path);
  std::string_view text(data.constData(), static_cast<std::size_t>(data.size()));
  // A UTF-8 byte order mark (Notepad writes one) is not part of the first line.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return SplitLines(text);
}

std::string JoinLinesCrLf(const LineList& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void WriteTextLines(const std::string& path, const LineList& lines) {
  const std::string text = JoinLinesCrLf(lines);
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) throw CannotCreateFile(path);
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
    file.cancelWriting();
    throw CannotCreateFile(path);
  }
  if (!file.commit()) throw CannotCreateFile(path);
}

}  // namespace tandemix
