#pragma once

// Reads a desktop entry back the way desktop sessions do, with GLib: the key file parser for
// the string escapes and the shell-quote parser for Exec. None of the writer's code is used.
#include <glib.h>

#include <QString>
#include <QStringList>

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
