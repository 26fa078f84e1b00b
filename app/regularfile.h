#pragma once

// Opening files that come from outside the program (definition files,
// parameter and waveform files, settings) for reading, and pushing the
// files it writes over time (logs, recordings) to the disk.
//
// Opening a FIFO for reading waits until some writer opens it, and reading a
// device or a FIFO may never end. The readers only ever want a regular file,
// so anything else in its place is refused before a byte is read.

#include <QFile>
#include <QFileDevice>
#include <QString>

namespace RegularFile {

// Opens `file` (its file name set) read-only with `extraMode` (for example
// QIODevice::Text) when the name is a regular file or a link to one. False,
// with the reason in `reason`, when it is missing, not a regular file, or
// cannot be opened. Never blocks.
bool openForReading(QFile &file, QIODevice::OpenMode extraMode = QIODevice::NotOpen, QString *reason = nullptr);

// Pushes what the system holds of `file` to the disk, so that a write the
// system took but the disk refuses shows now and a power cut loses nothing
// written before. A device that cannot be synced counts as synced. False,
// with the system's reason, when the sync failed. Only flushes where the
// system offers no sync for it.
bool syncToDisk(QFileDevice &file, QString *reason);

} // namespace RegularFile
