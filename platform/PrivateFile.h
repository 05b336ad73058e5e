#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// What reading a file that must be its owner's alone gave.
struct PrivateFileRead {
    bool exists = false;
    // Why the file is not used (in the shop's words); empty when `data` holds its contents.
    QString refusal;
    QByteArray data;
};

// Reads a file that holds a secret, as ssh treats a private key: it is used only when it is a
// regular file (not a symbolic link: O_NOFOLLOW), belongs to the user running the program and
// nobody else may read or write it (no group or other permission bits). The checks are made on
// the opened descriptor (fstat), so the file cannot be swapped between check and read. Files over
// `maxSize` bytes are refused.
PrivateFileRead readPrivateFile(const QString& path, qint64 maxSize = 4096);

// The user's configuration folder for the program (QStandardPaths::AppConfigLocation), created
// with mode 0700 when missing.
QString privateConfigFolder();

} // namespace platform
