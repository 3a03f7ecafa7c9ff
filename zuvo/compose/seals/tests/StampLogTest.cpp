#include "compose/seals/StampLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "core/tests/TestFiles.h"

namespace {

std::tm at(int year, int month, int day, int hour, int minute)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return t;
}

} // namespace

TEST(StampLog, LinesAreAppendedInTheFixedFormat)
{
    testfiles::TempDir dir;
    const std::string path = dir.file("LogIt.txt");
    testfiles::writeFile(path, "earlier line\r\n");

    LogFile log;
    log.Open(path);
    EXPECT_EQ(log.IsOpen(), 1);
    log.Write(at(2006, 3, 5, 9, 7), "a", "b");
    log.Write(at(2026, 12, 31, 23, 59), "/data/页.tif", "/seal/印.bmp");
    log.Close();
    EXPECT_EQ(log.IsOpen(), 0);

    EXPECT_EQ(testfiles::readFile(path),
              "earlier line\r\n2006-3-5 9:7  a, b\r\n2026-12-31 23:59  /data/页.tif, /seal/印.bmp\r\n");
}

TEST(StampLog, WriteWithTheClockCreatesTheFile)
{
    testfiles::TempDir dir;
    const std::string path = dir.file("LogIt.txt");
    LogFile log;
    log.Open(path);
    const std::time_t before = std::time(nullptr);
    log.Write("x", "y");
    log.Close();
    std::tm local{};
    localtime_r(&before, &local);
    const std::string line = testfiles::readFile(path);
    // The minute may tick over between the two clock reads; the date part is stable enough.
    EXPECT_EQ(line.substr(0, line.find(' ')),
              std::to_string(local.tm_year + 1900) + "-" + std::to_string(local.tm_mon + 1) + "-" +
                  std::to_string(local.tm_mday));
    EXPECT_EQ(line.substr(line.size() - 8), "  x, y\r\n");
}

TEST(StampLog, SecondOpenOfTheSameLogFails)
{
    testfiles::TempDir dir;
    const std::string path = dir.file("LogIt.txt");
    LogFile first;
    first.Open(path);
    LogFile second;
    try {
        second.Open(path);
        FAIL() << "second open succeeded";
    } catch (const LogInitFailed& e) {
        EXPECT_STREQ(e.what(), "Open File Failed!");
    }
    EXPECT_EQ(second.IsOpen(), 0);
    first.Close();
    EXPECT_NO_THROW(second.Open(path)); // free again once closed
}

TEST(StampLog, UnopenableOrUnwritableLogThrows)
{
    testfiles::TempDir dir;
    LogFile log;
    EXPECT_THROW(log.Open(dir.file("no-such-dir/LogIt.txt")), LogInitFailed);
    EXPECT_THROW(log.Write("a", "b"), LogInitFailed); // not open

    if (::geteuid() != 0) { // root ignores file modes
        const std::string readOnly = dir.file("ro.txt");
        testfiles::writeFile(readOnly, "");
        std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
        EXPECT_THROW(log.Open(readOnly), LogInitFailed);
    }
    if (std::filesystem::exists("/dev/full")) {
        log.Open("/dev/full");
        EXPECT_THROW(log.Write("a", "b"), LogInitFailed);
    }
}
