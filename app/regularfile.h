#pragma once

// Opening files that come from outside the program (definition files,
// parameter and waveform files, settings) for reading.
//
// Opening a FIFO for reading waits until some writer opens it, and reading a
// device or a FIFO may never end. The readers only ever want a regular file,
// so anything else in its place is refused before a byte is read.

#include <QFile>
#include <QString>

namespace RegularFile {

// Opens `file` (its file name set) read-only with `extraMode` (for example
// QIODevice::Text) when the name is a regular file or a link to one. False,
// with the reason in `reason`, when it is missing, not a regular file, or
// cannot be opened. Never blocks.
bool openForReading(QFile &file, QIODevice::OpenMode extraMode = QIODevice::NotOpen, QString *reason = nullptr);

} // namespace RegularFile
