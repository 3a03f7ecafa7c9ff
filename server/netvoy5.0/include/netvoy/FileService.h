#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The record that carries file chunks (UserCmd requests and the Usr replies,
// from PDU byte 15), encoded field by field, little-endian:
//
//   0   8 bytes   zero
//   8   char[128] user name, zero-terminated
//   136 char[256] file name, zero-terminated
//   392 u32       task id
//   396 u32       offset of the chunk in the file
//   400 u32       data length
//   404 u32       file length (0xFFFFFFFF: not known yet)
//   408 8 bytes   zero
//   416 data
namespace Netvoy {

inline constexpr std::size_t kRecordHeaderSize = 416;
inline constexpr std::size_t kChunkSize = 2048;
inline constexpr std::size_t kUploadRecordSize = kRecordHeaderSize + kChunkSize; // 2464
inline constexpr std::size_t kDownloadRequestSize = kRecordHeaderSize + 1;       // 417
inline constexpr std::size_t kMaxUserName = 127;
inline constexpr std::size_t kMaxFileName = 255;
inline constexpr std::uint32_t kUnknownLength = 0xFFFFFFFFu;

// UserCmd codes and reply codes (PDU byte 13).
inline constexpr std::uint8_t kCmdUploadChunk = 1;
inline constexpr std::uint8_t kCmdDownloadRequest = 3;
inline constexpr std::uint8_t kReplyUpload = 2;
inline constexpr std::uint8_t kReplyDownload = 4;

struct FileTransferRecord {
    std::string user;     // as on the wire (GBK)
    std::string fileName; // as on the wire (GBK)
    std::uint32_t taskId = 0;
    std::uint32_t offset = 0;
    std::uint32_t dataLength = 0;
    std::uint32_t fileLength = 0;
};

// `totalSize` bytes (at least the header plus the data): the record, the
// data, zeros after it. Empty when a name is too long for its field or the
// data does not fit.
std::vector<std::uint8_t> encodeRecord(const FileTransferRecord& record, std::span<const std::uint8_t> data,
                                       std::size_t totalSize);

// The header fields of a received record; no value when the body is shorter
// than the header. The data bytes that follow are `body.subspan(kRecordHeaderSize)`.
std::optional<FileTransferRecord> decodeRecord(std::span<const std::uint8_t> body);

// The name an upload of the file at `localPath` carries in its record, as
// UTF-8 whose GBK form is exactly the record's bytes: the path with each
// character that GBK lacks written as "_"; when that takes more than the
// record's 255 bytes in GBK, the path's last component alone (the text after
// its last "/", "\" or ":", which is the name "sendfax" gives the page), cut
// to 255 bytes on a character boundary. The file itself is always read by its
// real path; only the name on the wire is made to fit.
std::string uploadFileName(std::string_view localPath);

} // namespace Netvoy

// One upload or download, served by the client's worker one step at a time.
// Once queued, its fields belong to the worker thread.
class FileService_Task {
public:
    enum Type { Upload = 1, Download = 2 };
    enum State { Ready = 1, Waiting = 2 };

    long invokeId = -1;
    int type = Upload;
    int state = Ready;
    long taskId = -1;
    std::string fileName;  // upload: the local file; download: the server's name
    std::string localPath; // download: the file written
    std::string user;
    long offset = 0;       // bytes done
    long length = -1;      // upload: the local size; download: the server's, once known

    // The names as they travel (GBK).
    std::string wireUser;
    std::string wireFileName;
    // A step has gone out on the current connection.
    bool started = false;
    // Where the chunk in flight began, and when it was sent.
    long chunkStart = 0;
    std::chrono::steady_clock::time_point sentAt{};
    // The download target has been created (and truncated) by the first reply.
    bool targetCreated = false;

    FileService_Task() = default;
    virtual ~FileService_Task() = default;

    bool isFinished() const;
    bool isReady() const { return state == Ready; }
    // Reads up to n bytes at the offset of the file and advances the offset;
    // the bytes read (0 when it cannot open or reads nothing).
    long readData(std::uint8_t* buf, long n);
    // Writes the bytes at the offset of the local path and advances the
    // offset: 1, or 0 on failure (offset unchanged). The first write creates
    // the file and cuts it to nothing, so a longer old file leaves no tail.
    int writeData(const std::uint8_t* data, long n);
    // Steps back n bytes (not below 0).
    void rewind(long n);
};
