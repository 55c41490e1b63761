#pragma once

// Test helpers for the autostart entry.
//
// Reads a desktop entry back the way desktop sessions do, with GLib: the key file parser for
// the string escapes and the shell-quote parser for Exec. None of the writer's code is used.
#include <glib.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct ReadBackEntry {
  QString error;  // empty when the entry was read and its Exec parsed
  QString type, name;
  QStringList exec;
  bool hidden = false;
};

inline ReadBackEntry ReadDesktopEntry(const QString& file) {
  ReadBackEntry entry;
  GKeyFile* keys = g_key_file_new();
  GError* error = nullptr;
  const auto text = [&](const char* key) {
    gchar* value = g_key_file_get_string(keys, "Desktop Entry", key, nullptr);
    const QString out = QString::fromUtf8(value ? value : "");
    g_free(value);
    return out;
  };
  if (g_key_file_load_from_file(keys, file.toLocal8Bit().constData(), G_KEY_FILE_NONE, &error)) {
    entry.type = text("Type");
    entry.name = text("Name");
    entry.hidden = g_key_file_get_boolean(keys, "Desktop Entry", "Hidden", nullptr);
    gint argc = 0;
    gchar** argv = nullptr;
    if (g_shell_parse_argv(text("Exec").toUtf8().constData(), &argc, &argv, &error)) {
      for (gint i = 0; i < argc; ++i) entry.exec << QString::fromUtf8(argv[i]);
      g_strfreev(argv);
    }
  }
  if (error) {
    entry.error = QString::fromUtf8(error->message);
    g_error_free(error);
  }
  g_key_file_free(keys);
  return entry;
}

// A temporary $XDG_CONFIG_HOME for as long as it lives; the old value comes back after.
class TemporaryConfigHome {
 public:
  TemporaryConfigHome() : saved_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
  }
  ~TemporaryConfigHome() {
    if (saved_.isNull())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", saved_);
  }
  TemporaryConfigHome(const TemporaryConfigHome&) = delete;
  TemporaryConfigHome& operator=(const TemporaryConfigHome&) = delete;

  QString filePath(const QString& name) const { return dir_.filePath(name); }
  QString entryFile() const { return filePath(QStringLiteral("autostart/vantor-internet-radio.desktop")); }

 private:
  QByteArray saved_;
  QTemporaryDir dir_;
};
