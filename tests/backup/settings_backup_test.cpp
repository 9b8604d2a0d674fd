// CSettingsBackup with real files: collecting blocks into records, handing them out again,
// loading and saving BACKUP.BIN, and the limits that keep every buffer access inside.
#include "backup/settings_backup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "backup/sample_settings.h"
#include "backup_test_support.h"
#include "support/files.h"
#include "support/temp_folder.h"

namespace q7310 {
namespace {

using testing::AppendRecord;
using testing::Bytes;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

constexpr uint16_t kEnd = 0x0100;  // end-of-slot flag in the control word
constexpr uint32_t kBuffer = CSettingsBackup::kBufferSize;

Bytes Seq(size_t n, uint8_t first = 1) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(first + i);
  return b;
}

Bytes StoredRecords(const CSettingsBackup& store) {
  return Bytes(store.Records(), store.Records() + store.RecordsEnd());
}

bool Store(CSettingsBackup& store, uint16_t control, uint16_t block, uint16_t slot,
           const Bytes& data) {
  return store.StoreBlock(control, block, slot, data.data(), static_cast<uint16_t>(data.size()));
}

class Backup : public ::testing::Test {
 protected:
  std::unique_ptr<CSettingsBackup> store = std::make_unique<CSettingsBackup>();
};

TEST_F(Backup, SingleBlockSlotIsOneRecord) {
  ASSERT_TRUE(Store(*store, kEnd, 0, 3, Seq(5)));
  Bytes expected;
  AppendRecord(expected, 3, Seq(5));
  EXPECT_EQ(StoredRecords(*store), expected);
}

TEST_F(Backup, BlocksOfOneSlotJoinIntoOneRecord) {
  const Bytes a = Seq(128, 0), b = Seq(128, 100), c = Seq(10, 200);
  ASSERT_TRUE(Store(*store, 0, 0, 1, a));
  ASSERT_TRUE(Store(*store, 0, 1, 1, b));
  ASSERT_TRUE(Store(*store, kEnd, 2, 1, c));
  Bytes data = a;
  data.insert(data.end(), b.begin(), b.end());
  data.insert(data.end(), c.begin(), c.end());
  Bytes expected;
  AppendRecord(expected, 1, data);
  EXPECT_EQ(StoredRecords(*store), expected);  // length 266, end == cursor
  EXPECT_EQ(store->RecordsEnd(), 270u);
}

TEST_F(Backup, EmptyLastBlockClosesTheRecord) {
  ASSERT_TRUE(Store(*store, 0, 0, 2, Seq(7)));
  ASSERT_TRUE(Store(*store, kEnd, 1, 2, {}));
  Bytes expected;
  AppendRecord(expected, 2, Seq(7));
  EXPECT_EQ(StoredRecords(*store), expected);
}

TEST_F(Backup, NineSlotsStandBackToBack) {
  Bytes expected;
  for (uint16_t slot = 0; slot < 9; ++slot) {
    ASSERT_TRUE(Store(*store, 0, 0, slot, Seq(slot, slot)));
    ASSERT_TRUE(Store(*store, kEnd, 1, slot, Seq(3, 50)));
    Bytes data = Seq(slot, slot);
    const Bytes tail = Seq(3, 50);
    data.insert(data.end(), tail.begin(), tail.end());
    AppendRecord(expected, slot, data);
  }
  EXPECT_EQ(StoredRecords(*store), expected);
}

TEST_F(Backup, BlockZeroAgainRestartsTheOpenRecord) {
  ASSERT_TRUE(Store(*store, kEnd, 0, 0, Seq(4)));  // a complete record before
  ASSERT_TRUE(Store(*store, 0, 0, 1, Seq(10)));
  ASSERT_TRUE(Store(*store, 0, 1, 1, Seq(10)));
  ASSERT_TRUE(Store(*store, 0, 0, 1, Seq(6, 70)));  // the reply to a resent request
  ASSERT_TRUE(Store(*store, kEnd, 1, 1, Seq(2, 90)));
  Bytes expected;
  AppendRecord(expected, 0, Seq(4));
  AppendRecord(expected, 1, {70, 71, 72, 73, 74, 75, 90, 91});
  EXPECT_EQ(StoredRecords(*store), expected);
}

TEST_F(Backup, ContinuationWithNoSlotOpenIsRefused) {
  EXPECT_FALSE(Store(*store, kEnd, 1, 0, Seq(4)));
  ASSERT_TRUE(Store(*store, kEnd, 0, 0, Seq(4)));
  EXPECT_FALSE(Store(*store, kEnd, 1, 0, Seq(4)));
  Bytes expected;
  AppendRecord(expected, 0, Seq(4));
  EXPECT_EQ(StoredRecords(*store), expected);
}

TEST_F(Backup, SlotBeyond65535BytesIsRefused) {
  ASSERT_TRUE(Store(*store, 0, 0, 0, Bytes(65535, 0xAA)));
  EXPECT_FALSE(Store(*store, 0, 1, 0, Bytes(1, 0xBB)));
  ASSERT_TRUE(Store(*store, kEnd, 2, 0, {}));
  EXPECT_EQ(store->RecordsEnd(), 4u + 65535u);
  EXPECT_EQ(store->Records()[2], 0xFF);
  EXPECT_EQ(store->Records()[3], 0xFF);
}

TEST_F(Backup, BlockThatWouldOverrunTheBufferIsRefused) {
  // Four full slots (4 x 65,539 bytes) leave room for a fifth of 65,520 data bytes.
  for (uint16_t slot = 0; slot < 4; ++slot) {
    ASSERT_TRUE(Store(*store, kEnd, 0, slot, Bytes(65535, static_cast<uint8_t>(slot))));
  }
  ASSERT_TRUE(Store(*store, 0, 0, 4, Bytes(65520, 4)));
  EXPECT_FALSE(Store(*store, 0, 1, 4, Bytes(1, 9)));
  ASSERT_TRUE(Store(*store, kEnd, 1, 4, {}));
  EXPECT_EQ(store->RecordsEnd(), kBuffer);
  EXPECT_FALSE(Store(*store, kEnd, 0, 5, {}));  // not even an empty record fits
  EXPECT_EQ(store->RecordsEnd(), kBuffer);
}

// Restore: each record goes out in blocks of at most 64 bytes.
struct BlockOut {
  uint16_t control, block, slot, length;
  bool operator==(const BlockOut&) const = default;
};

std::vector<BlockOut> DrainBlocks(CSettingsBackup& store, Bytes* data = nullptr) {
  std::vector<BlockOut> blocks;
  while (store.HasNextBlock()) {
    BlockOut b{};
    uint8_t buffer[64];
    if (!store.GetNextBlock(b.control, b.block, b.slot, buffer, b.length)) break;
    blocks.push_back(b);
    if (data) data->insert(data->end(), buffer, buffer + b.length);
  }
  return blocks;
}

struct RestoreCase {
  uint32_t length;
  std::vector<BlockOut> first;  // the first blocks handed out
  BlockOut last;
  size_t count;
};

class Restore : public ::testing::TestWithParam<RestoreCase> {};

TEST_P(Restore, RecordGoesOutInBlocksOfAtMost64) {
  const RestoreCase& c = GetParam();
  TempFolder dir;
  Bytes file;
  AppendRecord(file, 6, Seq(c.length));
  WriteFile(dir.File("BACKUP.BIN"), file);
  CSettingsBackup store;
  ASSERT_TRUE(store.LoadBackup(dir.File("BACKUP.BIN")));
  Bytes data;
  const std::vector<BlockOut> blocks = DrainBlocks(store, &data);
  ASSERT_EQ(blocks.size(), c.count);
  EXPECT_EQ(std::vector<BlockOut>(blocks.begin(), blocks.begin() + c.first.size()), c.first);
  EXPECT_EQ(blocks.back(), c.last);
  EXPECT_EQ(data, Seq(c.length));
  EXPECT_FALSE(store.HasNextBlock());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, Restore,
    ::testing::Values(RestoreCase{64, {{kEnd, 0, 6, 64}}, {kEnd, 0, 6, 64}, 1},
                      RestoreCase{65, {{0, 0, 6, 64}}, {kEnd, 1, 6, 1}, 2},
                      RestoreCase{128, {{0, 0, 6, 64}}, {kEnd, 1, 6, 64}, 2},
                      RestoreCase{0x8000, {{0, 0, 6, 64}, {0, 1, 6, 64}}, {kEnd, 511, 6, 64}, 512},
                      RestoreCase{0, {}, {kEnd, 0, 6, 0}, 1}));

TEST(RestoreFile, RecordsGoOutInFileOrderWithTheirOwnSlotNumbers) {
  TempFolder dir;
  Bytes file;
  AppendRecord(file, 0x0102, Seq(3));  // only the low byte of the slot number travels
  AppendRecord(file, 4, Seq(70));
  WriteFile(dir.File("BACKUP.BIN"), file);
  CSettingsBackup store;
  ASSERT_TRUE(store.LoadBackup(dir.File("BACKUP.BIN")));
  const std::vector<BlockOut> expected = {{kEnd, 0, 2, 3}, {0, 0, 4, 64}, {kEnd, 1, 4, 6}};
  EXPECT_EQ(DrainBlocks(store), expected);
}

// A whole file of records restores all of them, whatever their number: here two, and 81,920
// empty ones that fill the buffer exactly.
TEST(LoadFile, AnyNumberOfWholeRecordsLoads) {
  TempFolder dir;
  Bytes two;
  AppendRecord(two, 3, Seq(10));
  AppendRecord(two, 3, Seq(70));
  WriteFile(dir.File("two.bin"), two);
  CSettingsBackup store;
  ASSERT_TRUE(store.LoadBackup(dir.File("two.bin"))) << store.LoadError();
  EXPECT_TRUE(store.LoadError().empty());
  EXPECT_EQ(DrainBlocks(store).size(), 3u);

  Bytes full;
  for (uint32_t i = 0; i < kBuffer / 4; ++i) AppendRecord(full, static_cast<uint16_t>(i), {});
  WriteFile(dir.File("full.bin"), full);
  store.Clear();
  ASSERT_TRUE(store.LoadBackup(dir.File("full.bin"))) << store.LoadError();
  EXPECT_EQ(store.RecordsEnd(), kBuffer);
  EXPECT_EQ(DrainBlocks(store).size(), kBuffer / 4);
}

enum class Given { kFile, kNoFile, kFolder };

struct RefusedFile {
  const char* name;
  Bytes bytes;  // the file's content, when one is given
  std::string error;
  Given given = Given::kFile;
};

Bytes TwoRecords(size_t cut) {
  Bytes file;
  AppendRecord(file, 1, Seq(10));
  AppendRecord(file, 2, Seq(100));
  file.resize(file.size() - cut);
  return file;
}

// A damaged file is refused as a whole when it is loaded, before any block is handed out, and
// the store stays as Clear left it.
TEST(LoadFile, DamagedFileIsRefusedWithItsReason) {
  const std::string past =
      "the file is not a sequence of well-formed slot records: the record "
      "at offset 0xE runs past the end of the file (";
  const std::vector<RefusedFile> cases = {
      {"last record lacks its last byte", TwoRecords(1), past + "117 bytes)"},
      {"last record lacks all its data", TwoRecords(100), past + "18 bytes)"},
      {"three bytes of a record header", TwoRecords(101), past + "17 bytes)"},
      {"empty file", {}, "the file is empty: no slot records"},
      {"one byte over the buffer", Bytes(kBuffer + 1, 0),
       "the file is larger than the 327680 bytes a backup can hold"},
      {"missing file", {}, "the file cannot be opened or read", Given::kNoFile},
      {"folder", {}, "the file cannot be opened or read", Given::kFolder},
  };
  for (const RefusedFile& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    const std::string path =
        c.given == Given::kFolder ? dir.Path().string() : dir.File("BACKUP.BIN");
    if (c.given == Given::kFile) WriteFile(path, c.bytes);
    CSettingsBackup store;
    EXPECT_FALSE(store.LoadBackup(path));
    EXPECT_EQ(store.LoadError(), c.error);
    EXPECT_EQ(store.RecordsEnd(), 0u);
    EXPECT_FALSE(store.HasNextBlock());
    EXPECT_TRUE(
        std::all_of(store.Records(), store.Records() + kBuffer, [](uint8_t b) { return b == 0; }));
  }
}

// Saving: conversion, then a safe write.
void StoreRawSet(CSettingsBackup& store, const Bytes& raw) {
  for (size_t r = 0; r < raw.size();) {
    const uint16_t slot = static_cast<uint16_t>(raw[r] << 8 | raw[r + 1]);
    const size_t n = static_cast<size_t>(raw[r + 2] << 8 | raw[r + 3]);
    const uint8_t* data = raw.data() + r + 4;
    uint16_t block = 0;
    size_t done = 0;
    do {  // blocks of up to 128 bytes, as the amplifier sends them
      const size_t take = std::min<size_t>(128, n - done);
      const uint16_t control = done + take == n ? kEnd : 0;
      ASSERT_TRUE(store.StoreBlock(control, block++, slot, data + done, uint16_t(take)));
      done += take;
    } while (done < n);
    r += 4 + n;
  }
}

TEST(Save, ConvertedRecordsAreWrittenAndRestoredUnchanged) {
  TempFolder dir;
  CSettingsBackup store;
  StoreRawSet(store, MakeSampleRawSettings(1, 99));
  const std::string path = dir.File("BACKUP.BIN");
  ASSERT_TRUE(store.ConvertAndSave(path));
  ASSERT_EQ(store.ConvertedLength(), 135204u);
  const Bytes converted(store.Converted(), store.Converted() + store.ConvertedLength());
  EXPECT_EQ(ReadFile(path), converted);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
      << "no temporary file left behind";

  CSettingsBackup restore;
  ASSERT_TRUE(restore.LoadBackup(path));
  Bytes data;
  const std::vector<BlockOut> blocks = DrainBlocks(restore, &data);
  EXPECT_EQ(blocks.size(), 4u * 512 + 2u * 32 + 3u);
  EXPECT_EQ(data.size(), 135204u - 9 * 4);
}

TEST(Save, FailedConversionWritesNothing) {
  TempFolder dir;
  CSettingsBackup store;
  Bytes raw = MakeSampleRawSettings(0, 5);
  raw[4 + 16] = 2;  // format byte
  StoreRawSet(store, raw);
  WriteFile(dir.File("BACKUP.BIN"), {1, 2, 3});
  EXPECT_FALSE(store.ConvertAndSave(dir.File("BACKUP.BIN")));
  EXPECT_EQ(store.ConvertedLength(), 0u);
  EXPECT_EQ(ReadFile(dir.File("BACKUP.BIN")), (Bytes{1, 2, 3}));
}

TEST(Save, NothingStoredFailsConversion) {
  TempFolder dir;
  CSettingsBackup store;  // nine zero records: slot 0 is type 0 and far too short
  EXPECT_FALSE(store.ConvertAndSave(dir.File("BACKUP.BIN")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("BACKUP.BIN")));
}

TEST(Save, FolderThatDoesNotExistIsReported) {
  TempFolder dir;
  CSettingsBackup store;
  StoreRawSet(store, MakeSampleRawSettings(0, 5));
  EXPECT_FALSE(store.ConvertAndSave(dir.File("missing/BACKUP.BIN")));
}

// Limits the size of files this process may write, so that the write itself fails half-way
// (as on a full disk); restores the limit afterwards.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &m_saved);
    m_oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_saved);
    signal(SIGXFSZ, m_oldHandler);
  }

 private:
  rlimit m_saved{};
  sighandler_t m_oldHandler;
};

TEST(Save, WriteThatFailsHalfWayLeavesTheEarlierFileIntact) {
  TempFolder dir;
  const std::string path = dir.File("BACKUP.BIN");
  const Bytes earlier = Seq(200);
  WriteFile(path, earlier);
  CSettingsBackup store;
  StoreRawSet(store, MakeSampleRawSettings(0, 5));
  bool saved = true;
  std::string reason;
  {
    FileSizeLimit limit(4096);
    saved = store.ConvertAndSave(path, &reason);
  }
  EXPECT_FALSE(saved);
  EXPECT_TRUE(reason.ends_with(std::string("BACKUP.BIN: ") + std::strerror(EFBIG))) << reason;
  EXPECT_EQ(ReadFile(path), earlier);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
      << "temporary file removed";
}

}  // namespace
}  // namespace q7310
