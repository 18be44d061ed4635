#include "app/cli/ArgReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace tandemix::cli {

int RunCommand(const char* command, const std::function<int()>& work) {
  try {
    return work();
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s: %s\nRun 'tandemix-cli --help' for the usage.\n", command, e.what());
    return 2;
  } catch (const TandemixError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", command, e.what());
    return 1;
  }
}

const std::string& ArgReader::Value(const std::string& name) {
  if (AtEnd()) throw UsageError(name + " needs a value");
  return Next();
}

double ParseRealArg(const std::string& option, const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(begin, &end);
  if (text.empty() || end != begin + text.size() || errno == ERANGE || !std::isfinite(value) ||
      text.find_first_of(" \t") != std::string::npos)
    throw UsageError(option + ": '" + text + "' is not a number");
  return value;
}

int ParseIntArg(const std::string& option, const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(begin, &end, 10);
  if (text.empty() || end != begin + text.size() || errno == ERANGE || value < std::numeric_limits<int>::min() ||
      value > std::numeric_limits<int>::max() || text.find_first_of(" \t") != std::string::npos)
    throw UsageError(option + ": '" + text + "' is not a whole number");
  return static_cast<int>(value);
}

std::string ExecutableFolder() { return QCoreApplication::applicationDirPath().toStdString(); }

std::string AbsolutePath(const std::string& path) {
  return QDir::cleanPath(QFileInfo(QString::fromStdString(path)).absoluteFilePath()).toStdString();
}

void ScriptAndOutput::Take(const std::string& arg) {
  // "-" alone is standard output, taken as the output.
  if (!arg.empty() && arg[0] == '-' && !(arg == "-" && !script.empty())) throw UsageError("unknown option " + arg);
  if (script.empty()) {
    script = arg;
  } else if (output.empty()) {
    output = arg;
  } else {
    throw UsageError("more than one output given: " + arg);
  }
}

void ScriptAndOutput::Check() const {
  if (script.empty()) throw UsageError("the script is missing");
  if (output.empty()) throw UsageError("the output file is missing");
}

}  // namespace tandemix::cli
