#pragma once

#include "store/XmlTokenizer.h"

#include <QFile>
#include <QString>

#include <cstddef>
#include <string_view>

namespace quorvel {

// The bytes of an open file, read in blocks into a window at the front of one reserved address
// range a block longer than the file was when it was opened (a file that grows beyond that while it
// is read fails). Blocks are added without moving what the window holds; only a drop moves it.
// Shared by the whole-file reader and the reader that keeps only where each row lies.
class FileBlocks final : public XmlByteSource {
public:
    FileBlocks(QFile& file, const QString& fileName);
    ~FileBlocks() override;
    FileBlocks(const FileBlocks&) = delete;
    FileBlocks& operator=(const FileBlocks&) = delete;

    std::string_view Held() const noexcept override { return {base_, filled_}; }
    bool More() override;
    std::size_t Drop(std::size_t count) noexcept override;

    void ReadAll() {
        while (More()) {
        }
    }

    // The file's size when it was opened.
    std::size_t Size() const noexcept { return size_; }

private:
    QFile& file_;
    const QString& fileName_;
    char* base_ = nullptr;
    std::size_t size_ = 0;
    std::size_t reserved_ = 0;
    std::size_t filled_ = 0;  // bytes in the window
    std::size_t dropped_ = 0; // bytes of the file before it
    bool atEnd_ = false;
};

// Opens `fileName` into `file` for reading, a regular file only (a device or a FIFO would be read for
// ever, or waited on); raises EDatabaseError when it cannot.
void OpenDatapacketFile(QFile& file, const QString& fileName);

// Reads the first blocks of `blocks` until the reader can be chosen. True when the document is
// code-page XML, which is read in blocks; false for a binary or UTF-8 document, which is read whole.
bool StartsCodePageXml(FileBlocks& blocks);

} // namespace quorvel
