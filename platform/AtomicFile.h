#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

enum class Durability {
    // The new contents and the folder entry that names them are on the disk when the call returns.
    Synced,
    // As atomic as Synced (a reader or a crash of the program sees the old file or the new one,
    // whole), but the kernel writes it back later: a power cut before that may bring back the
    // previous file. syncFile() later makes it durable. On a busy disk this saves the wait for it.
    Deferred,
};

// Replaces the file with `data`: a temporary file in the same folder, written with every write
// checked, renamed over the old one. A symbolic link is followed to the file it names. A new file
// gets the default permissions, a replaced one keeps its own. A file that we may not write, or that
// nobody may, is left alone as read-only. Returns the reason for a failure, or an empty text; after
// a failure the file is as it was and no temporary file is left, except that when only the final
// sync of the folder fails, the new file is in place but may not be durable yet.
QString replaceFile(const QString& path, const QByteArray& data, Durability durability);

// The same for a file only its owner may read (a stored password): the temporary file is created
// with mode 0600, so the contents are never readable by anyone else, not even for a moment, and the
// file keeps 0600 whatever it had before. A symbolic link at the path is replaced, never followed.
QString replacePrivateFile(const QString& path, const QByteArray& data);

// Waits until the disk holds the file's contents and its folder's entries, after Deferred
// replacements. A missing file is not a failure. Returns the system's reason for a failure, or an
// empty text.
QString syncFile(const QString& path);

} // namespace platform
