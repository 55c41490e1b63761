#pragma once

#include <QFile>
#include <QString>

// Opens path for reading only when it is a regular file. A FIFO or a device by that name would
// block the program in open() or never end; it is opened without waiting and turned down.
bool openRegularFile(QFile& file, const QString& path);
