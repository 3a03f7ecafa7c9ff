#include "netvoy/FileService.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "byteorder/LittleEndian.h"
#include "netvoy/Pdu.h"
#include "safefile/UniqueFd.h"
#include "textcodec/Gbk.h"

using safefile::UniqueFd;

namespace Netvoy {

namespace {

constexpr std::size_t kUserField = 8;
constexpr std::size_t kFileField = 136;
constexpr std::size_t kTaskIdField = 392;
constexpr std::size_t kOffsetField = 396;
constexpr std::size_t kDataLengthField = 400;
constexpr std::size_t kFileLengthField = 404;

std::string zeroEnded(std::span<const std::uint8_t> field)
{
    auto end = std::find(field.begin(), field.end(), 0);
    return std::string(field.begin(), end);
}

// The GBK form of a UTF-8 text, each character without a GBK code written
// as "_" (a byte that is no UTF-8 as the codec writes it, "?").
std::string gbkWithStandIns(std::string_view utf8)
{
    std::string gbk;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const TextCodec::Step step = TextCodec::encodeGb18030(utf8.substr(at), gbk, TextCodec::Repertoire::Gbk,
                                                              TextCodec::OnMissing::Stop, true);
        at += step.consumed;
        if (!step.stopped || at >= utf8.size())
            break; // the rest went through whole
        // A whole UTF-8 character stopped the step: its length from its lead byte.
        const auto lead = static_cast<unsigned char>(utf8[at]);
        at += lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        gbk += '_';
    }
    return gbk;
}

// GBK text cut to at most `limit` bytes, never inside a two-byte code (the
// texts here hold GBK's one- and two-byte codes only).
std::string cutGbk(std::string gbk, std::size_t limit)
{
    std::size_t end = 0;
    while (end < gbk.size()) {
        const std::size_t code = static_cast<unsigned char>(gbk[end]) < 0x80 ? 1 : 2;
        if (end + code > limit)
            break;
        end += code;
    }
    gbk.resize(std::min(end, gbk.size()));
    return gbk;
}

} // namespace

std::string uploadFileName(std::string_view localPath)
{
    std::string gbk = gbkWithStandIns(localPath);
    if (gbk.size() > kMaxFileName) {
        const std::size_t slash = localPath.find_last_of("/\\:");
        const std::string_view last = slash == std::string_view::npos ? localPath : localPath.substr(slash + 1);
        gbk = cutGbk(gbkWithStandIns(last), kMaxFileName);
    }
    return TextCodec::gbkToUtf8(gbk).text;
}

std::vector<std::uint8_t> encodeRecord(const FileTransferRecord& record, std::span<const std::uint8_t> data,
                                       std::size_t totalSize)
{
    if (record.user.size() > kMaxUserName || record.fileName.size() > kMaxFileName ||
        data.size() > kChunkSize || totalSize < kRecordHeaderSize + data.size())
        return {};
    std::vector<std::uint8_t> bytes(totalSize, 0);
    std::memcpy(&bytes[kUserField], record.user.data(), record.user.size());
    std::memcpy(&bytes[kFileField], record.fileName.data(), record.fileName.size());
    le::put32(&bytes[kTaskIdField], record.taskId);
    le::put32(&bytes[kOffsetField], record.offset);
    le::put32(&bytes[kDataLengthField], record.dataLength);
    le::put32(&bytes[kFileLengthField], record.fileLength);
    if (!data.empty())
        std::memcpy(&bytes[kRecordHeaderSize], data.data(), data.size());
    return bytes;
}

std::optional<FileTransferRecord> decodeRecord(std::span<const std::uint8_t> body)
{
    if (body.size() < kRecordHeaderSize)
        return std::nullopt;
    FileTransferRecord record;
    record.user = zeroEnded(body.subspan(kUserField, kMaxUserName + 1));
    record.fileName = zeroEnded(body.subspan(kFileField, kMaxFileName + 1));
    record.taskId = le::get32(&body[kTaskIdField]);
    record.offset = le::get32(&body[kOffsetField]);
    record.dataLength = le::get32(&body[kDataLengthField]);
    record.fileLength = le::get32(&body[kFileLengthField]);
    return record;
}

} // namespace Netvoy

bool FileService_Task::isFinished() const
{
    if (type == Upload)
        return offset >= length;
    return length != -1 && offset >= length;
}

namespace {

// Repeats a positional read or write, `step(done)` for the bytes after the
// first `done`, until n bytes are through or a step gives 0 or fails (an
// interrupted step is repeated). Returns the bytes through.
template <typename Step> long repeatUntil(long n, Step step)
{
    long done = 0;
    while (done < n) {
        ssize_t moved = step(done);
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0)
            break;
        done += moved;
    }
    return done;
}

} // namespace

long FileService_Task::readData(std::uint8_t* buf, long n)
{
    UniqueFd file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0 || n <= 0)
        return 0;
    long total = repeatUntil(n, [&](long done) {
        return ::pread(file.get(), buf + done, static_cast<std::size_t>(n - done), offset + done);
    });
    offset += total;
    return total;
}

int FileService_Task::writeData(const std::uint8_t* data, long n)
{
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (targetCreated ? 0 : O_TRUNC);
    UniqueFd file(::open(localPath.c_str(), flags, 0666));
    if (file.get() < 0 || n < 0)
        return 0;
    targetCreated = true;
    long total = repeatUntil(n, [&](long done) {
        return ::pwrite(file.get(), data + done, static_cast<std::size_t>(n - done), offset + done);
    });
    if (total < n)
        return 0;
    offset += total;
    return 1;
}

void FileService_Task::rewind(long n)
{
    offset = std::max(0L, offset - n);
}
