#include "project/TemplateLibrary.h"

#include <QDir>
#include <QFile>
#include <algorithm>

#include "base/TextFile.h"

namespace tandemix {

namespace {

constexpr const char* kExtension = ".avt";

QString FromLocal(const std::string& s) { return QFile::decodeName(QByteArray::fromStdString(s)); }
std::string ToLocal(const QString& s) { return QFile::encodeName(s).toStdString(); }

bool CaseBlindLess(const std::string& a, const std::string& b) {
  const int order = QString::compare(FromLocal(a), FromLocal(b), Qt::CaseInsensitive);
  if (order != 0) return order < 0;
  return a < b;  // a stable order for names that differ only in case
}

}  // namespace

std::vector<std::string> ListTemplateNames(const std::string& folder) {
  std::vector<std::string> names;
  if (folder.empty()) return names;
  // Letter case matters on Linux: only names ending in exactly ".avt" make
  // a template whose file the name leads back to.
  QDir dir(FromLocal(folder), QString("*") + kExtension, QDir::NoSort,
           QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot | QDir::CaseSensitive);
  for (const QString& entry : dir.entryList()) {
    const std::string file = ToLocal(entry);
    names.push_back(file.substr(0, file.size() - 4));
  }
  std::sort(names.begin(), names.end(), CaseBlindLess);
  return names;
}

Check CheckTemplateName(const std::string& name) {
  if (name.find_first_of("/\\") != std::string::npos || name == "." || name == "..")
    return Check::Refused(
        "but a template name may not hold '/' or '\\' nor be '.' or '..': templates are read only "
        "from the template folder.");
  return {};
}

std::string TemplatePath(const std::string& templateFolder, const std::string& name) {
  if (!templateFolder.empty() && templateFolder.back() == '/') return templateFolder + name + ".avt";
  return templateFolder + "/" + name + ".avt";
}

std::string ClearConfirmationText(const std::string& name) { return "Are you sure to delete '" + name + "' ?"; }

void TemplateLibrary::Refresh() {
  names_ = ListTemplateNames(folder_);
  selected_ = names_.empty() ? -1 : 0;
}

void TemplateLibrary::Select(int index) {
  selected_ = index >= 0 && index < static_cast<int>(names_.size()) ? index : -1;
}

std::optional<std::string> TemplateLibrary::SelectedName() const {
  if (selected_ < 0) return std::nullopt;
  return names_[static_cast<std::size_t>(selected_)];
}

std::optional<std::string> TemplateLibrary::SelectedPath() const {
  const auto name = SelectedName();
  if (!name) return std::nullopt;
  return TemplatePath(folder_, *name);
}

void TemplateLibrary::DeleteSelected() {
  if (const auto path = SelectedPath()) QFile::remove(FromLocal(*path));
  Refresh();
}

void TemplateLibrary::SaveChain(const FilterBlock& names, const std::string& target) {
  LineList lines;
  for (const auto& name : names) {
    const LineList part = ReadTextLines(TemplatePath(folder_, name));
    lines.insert(lines.end(), part.begin(), part.end());
  }
  WriteTextLines(target, lines);
  Refresh();
}

}  // namespace tandemix
