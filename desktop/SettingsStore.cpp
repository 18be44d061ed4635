#include "desktop/SettingsStore.h"

#include <QString>
#include <cstdlib>

namespace tandemix {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

std::string SettingsStore::PathFor(const std::string& xdgConfigHome, const std::string& home) {
  const std::string base = !xdgConfigHome.empty() && xdgConfigHome[0] == '/' ? xdgConfigHome : home + "/.config";
  return base + "/tandemix/tandemix.ini";
}

std::string SettingsStore::DefaultPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  return PathFor(xdg ? xdg : "", home ? home : "");
}

SettingsStore::SettingsStore(const std::string& path)
    : settings_(std::make_unique<QSettings>(Q(path), QSettings::IniFormat)) {}

std::string SettingsStore::Text(const std::string& key) const {
  return settings_->value(Q(key)).toString().toStdString();
}

void SettingsStore::SetText(const std::string& key, const std::string& value) { settings_->setValue(Q(key), Q(value)); }

QByteArray SettingsStore::Bytes(const std::string& key) const { return settings_->value(Q(key)).toByteArray(); }

void SettingsStore::SetBytes(const std::string& key, const QByteArray& value) { settings_->setValue(Q(key), value); }

void SettingsStore::Sync() { settings_->sync(); }

std::string SettingsStore::Path() const { return settings_->fileName().toStdString(); }

}  // namespace tandemix
