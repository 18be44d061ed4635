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

std::string ReadTextFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  const QFileInfo info(file);
  if (info.isDir()) throw CannotOpenFile(path);
  // Checked before opening: opening a FIFO would wait for a writer.
  if (info.exists() && !info.isFile()) throw TandemixError("Cannot open file " + path + ": it is not a regular file.");
  const std::string tooLarge = "Cannot open file " + path + ": it is larger than " +
                               std::to_string(kMaxTextFileBytes >> 20) +
                               " MB, too large for a script, template or project.";
  if (info.size() > static_cast<qint64>(kMaxTextFileBytes)) throw TandemixError(tooLarge);
  if (!file.open(QIODevice::ReadOnly)) throw CannotOpenFile(path);
  const QByteArray data = file.read(static_cast<qint64>(kMaxTextFileBytes) + 1);  // the file may have grown
  if (file.error() != QFileDevice::NoError) throw CannotOpenFile(path);
  if (data.size() > static_cast<qint64>(kMaxTextFileBytes)) throw TandemixError(tooLarge);
  std::string text(data.constData(), static_cast<std::size_t>(data.size()));
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) {
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t at = 0; at < nul; ++at) {
      if (text[at] != '\r' && text[at] != '\n') continue;
      if (text[at] == '\r' && at + 1 < nul && text[at + 1] == '\n') ++at;
      ++line;
      lineStart = at + 1;
    }
    const std::size_t column = nul - lineStart + 1;
    throw TandemixError(path + " holds a NUL byte on line " + std::to_string(line) + ", column " +
                        std::to_string(column) + "; a script, template or project is text without one.");
  }
  return text;
}

LineList ReadTextLines(const std::string& path) {
  const std::string data = ReadTextFile(path);
  std::string_view text(data);
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
