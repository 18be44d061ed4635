// The program's remembered choices in one INI file under the user's XDG
// config folder ($XDG_CONFIG_HOME, else ~/.config): tandemix/tandemix.ini.
#pragma once

#include <QByteArray>
#include <QSettings>
#include <memory>
#include <string>

namespace tandemix {

class SettingsStore {
 public:
  // The settings file for these values of XDG_CONFIG_HOME and HOME; a
  // relative XDG_CONFIG_HOME is ignored, as the XDG rules say.
  static std::string PathFor(const std::string& xdgConfigHome, const std::string& home);
  // The settings file of this process's environment.
  static std::string DefaultPath();

  explicit SettingsStore(const std::string& path);

  std::string Text(const std::string& key) const;
  void SetText(const std::string& key, const std::string& value);
  QByteArray Bytes(const std::string& key) const;
  void SetBytes(const std::string& key, const QByteArray& value);
  // Writes what changed to the file now.
  void Sync();
  std::string Path() const;

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace tandemix
