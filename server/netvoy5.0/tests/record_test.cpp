// The file-transfer record without sockets: field positions, limits, short bodies.
#include <gtest/gtest.h>

#include "netvoy/FileService.h"

using namespace Netvoy;

TEST(NetvoyRecord, FieldsSitAtTheirOffsetsAndRoundTrip)
{
    FileTransferRecord record;
    record.user = std::string(kMaxUserName, 'u');
    record.fileName = std::string(kMaxFileName, 'f');
    record.taskId = 0x01020304;
    record.offset = 2048;
    record.dataLength = 3;
    record.fileLength = kUnknownLength;
    const std::uint8_t data[] = {7, 8, 9};
    std::vector<std::uint8_t> bytes = encodeRecord(record, data, kUploadRecordSize);
    ASSERT_EQ(bytes.size(), 2464u);
    EXPECT_EQ(bytes[8], 'u');
    EXPECT_EQ(bytes[8 + 127], 0) << "the user field keeps its terminator";
    EXPECT_EQ(bytes[136], 'f');
    EXPECT_EQ(bytes[136 + 255], 0);
    EXPECT_EQ((std::vector<std::uint8_t>(bytes.begin() + 392, bytes.begin() + 408)),
              (std::vector<std::uint8_t>{4, 3, 2, 1, 0, 8, 0, 0, 3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(bytes[416], 7);
    EXPECT_EQ(bytes[418], 9);
    EXPECT_EQ(bytes[419], 0);

    std::optional<FileTransferRecord> back = decodeRecord(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->user, record.user);
    EXPECT_EQ(back->fileName, record.fileName);
    EXPECT_EQ(back->taskId, record.taskId);
    EXPECT_EQ(back->offset, 2048u);
    EXPECT_EQ(back->fileLength, kUnknownLength);
}

TEST(NetvoyRecord, RefusesWhatDoesNotFit)
{
    FileTransferRecord record;
    record.user = std::string(kMaxUserName + 1, 'u');
    EXPECT_TRUE(encodeRecord(record, {}, kDownloadRequestSize).empty());
    record.user = "u";
    record.fileName = std::string(kMaxFileName + 1, 'f');
    EXPECT_TRUE(encodeRecord(record, {}, kDownloadRequestSize).empty());
    record.fileName = "f";
    std::vector<std::uint8_t> tooMuch(kChunkSize + 1, 1);
    EXPECT_TRUE(encodeRecord(record, tooMuch, kUploadRecordSize + 1).empty());
    EXPECT_EQ(encodeRecord(record, {}, kDownloadRequestSize).size(), 417u);

    std::vector<std::uint8_t> shortBody(kRecordHeaderSize - 1, 0);
    EXPECT_FALSE(decodeRecord(shortBody));
    std::vector<std::uint8_t> unterminated(kRecordHeaderSize, 'x'); // names without a zero byte
    std::optional<FileTransferRecord> read = decodeRecord(unterminated);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->user.size(), 128u);
    EXPECT_EQ(read->fileName.size(), 256u);
}
