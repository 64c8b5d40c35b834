#pragma once

#include "store/Packet.h"

#include <QString>

#include <cstddef>

namespace quorvel {

class XmlByteSource;

// Reads the datapacket file `fileName` (a regular file only: a device or a FIFO is refused). An XML
// document in code-page text is read in blocks through a window of a few megabytes that drops the
// rows already decoded, so that a large proposal never holds its file's bytes beside its rows; a
// binary or UTF-8 document is read whole first. Throws EDatabaseError when the file cannot be opened
// or read, and the readers' EStoreError for a malformed document.
Datapacket ReadDatapacketFile(const QString& fileName);

// Decodes an XML datapacket in code-page text (neither marked nor declared as UTF-8) whose bytes
// arrive from `source` as the reader needs them, letting go of the rows already read;
// `fileSize` is the document's length. The same results and errors as ReadDatapacketXml on the whole
// bytes.
Datapacket ReadDatapacketXml(XmlByteSource& source, std::size_t fileSize);

} // namespace quorvel
