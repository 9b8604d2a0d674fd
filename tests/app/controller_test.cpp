// The controller against a virtual clock, sending over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "app/numbered_format.h"
#include "app/settings_notes.h"
#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "backup/backup_history.h"
#include "backup/sample_settings.h"
#include "backup/settings_backup.h"
#include "firmware/firmware_image.h"
#include "protocol/frames.h"
#include "protocol/protocol.h"
#include "serial/envelope.h"
#include "serial/serial_port.h"
#include "support/bytes.h"
#include "support/converted_settings.h"
#include "support/pty_peer.h"
#include "support/sample_firmware.h"
#include "support/slot_records.h"
#include "support/srecord.h"
#include "support/temp_folder.h"
#include "test_host.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::PtyPeer;
using testing::TempFolder;
using testing::TestHost;

// Reply frames as the amplifier sends them.
Bytes SlotReply(uint8_t status, bool endOfSlot, uint16_t block, uint16_t slot, const Bytes& data) {
  return BuildReadSlotReply({status, static_cast<uint8_t>(endOfSlot ? 1 : 0), block, slot, data});
}
// The status reply's layout, under any command code.
Bytes StatusReply(uint16_t command, uint16_t status) {
  Bytes f = BuildUpdateReply({status});
  PutU16(f.data(), kOffCommand, command);
  return f;
}
Bytes DeviceMessage(uint16_t status, const std::string& text) {
  return BuildDeviceMessage({status, TextBytes(text)});
}

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// An S-record file with one S1 data record per 16 bytes, from address 0x1000.
void WriteMotFile(const fs::path& path, const Bytes& image) {
  std::ofstream out(path);
  out << testing::SRecordLine('0', 0) << "\n";
  for (size_t off = 0; off < image.size(); off += 16) {
    const size_t n = std::min<size_t>(16, image.size() - off);
    out << testing::SRecordLine('1', static_cast<uint32_t>(0x1000 + off),
                                std::span(image.data() + off, n))
        << "\n";
  }
  out << testing::SRecordLine('9', 0) << "\n";
}

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    serial.SetDevicePath(peer.DevicePath());
    host.Attach(dlg);
    dlg.OnInitDialog(host);
    ASSERT_EQ(dlg.Stage(), 1) << "the pseudo-terminal did not open";
  }
  void TearDown() override { dlg.OnDestroy(); }

  // The next request the controller put on the line.
  Bytes NextRequest() {
    auto f = peer.ReadFrame();
    EXPECT_TRUE(f.has_value()) << "no request on the line";
    if (!f) return {};
    EXPECT_EQ(f->status, 0u);
    return f->bytes;
  }
  void Reply(const Bytes& frame) { dlg.OnFrameReceived(0, frame); }

  // Runs a backup in which every slot comes as blocks of up to 128 bytes.
  void RunBackup(const Bytes& raw) {
    dlg.OnBackup();
    size_t pos = 0;
    for (uint16_t slot = 0; slot < kSlotCount; ++slot) {
      const Bytes req = NextRequest();
      EXPECT_EQ(GetU16(req, kOffCommand), CMD_READ_SLOT);
      EXPECT_EQ(GetU16(req, kOffSlotNumber), slot);
      const size_t len = (raw[pos + 2] << 8) | raw[pos + 3];
      const uint8_t* data = raw.data() + pos + 4;
      uint16_t block = 0;
      size_t off = 0;
      do {
        const size_t n = std::min<size_t>(kMaxReadSlotData, len - off);
        Reply(SlotReply(0, off + n == len, block++, slot, Bytes(data + off, data + off + n)));
        off += n;
      } while (off < len);
      pos += 4 + len;
    }
  }

  TempFolder scratch{"q7310-controller"};
  const fs::path dir = scratch.Path();
  PtyPeer peer;
  CSerialPort serial;
  CSettingsBackup backup;
  CFirmwareImage image;
  TestHost host;
  CUpgradeDlg dlg{host, serial, backup, image, dir.string()};
};

TEST_F(ControllerTest, BuildersPutTheExactBytesOnTheLineAndKeepThem) {
  dlg.SendReadSlot(3);
  EXPECT_EQ(NextRequest(), (Bytes{0x30, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00}));

  dlg.SendUpdateStart(0x8000, 0x1234, 0x5678);
  const Bytes start = {0x10, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80,
                       0x00, 0x00, 0x34, 0x12, 0x00, 0x00, 0x78, 0x56, 0x00, 0x00};
  EXPECT_EQ(NextRequest(), start);
  EXPECT_EQ(Bytes(dlg.LastFrame().begin(), dlg.LastFrame().end()), start);

  const Bytes ten(10, 0xAB);
  dlg.SendWriteSlot(kEndOfSlotControl, 2, 5, ten.data(), 10);
  const Bytes write = NextRequest();
  ASSERT_EQ(write.size(), 20u);
  EXPECT_EQ(Bytes(write.begin(), write.begin() + 10),
            (Bytes{0x31, 0x00, 0x14, 0x00, 0x00, 0x01, 0x02, 0x00, 0x05, 0x00}));

  const Bytes block(128, 0x10);  // every byte doubled on the wire
  dlg.SendUpdateData(7, block.data(), 128);
  const Bytes data = NextRequest();
  ASSERT_EQ(data.size(), 136u);
  EXPECT_EQ(Bytes(data.begin(), data.begin() + 8),
            (Bytes{0x11, 0x00, 0x88, 0x00, 0x00, 0x00, 0x07, 0x00}));

  dlg.SendWriteSlot(0, 0, 1, nullptr, 0);
  EXPECT_EQ(GetU16(NextRequest(), kOffLength), 10);
}

TEST_F(ControllerTest, BackupReadsNineSlotsSavesConvertedFileAndMovesToStageTwo) {
  const Bytes raw = MakeSampleRawSettings(0, 7);
  RunBackup(raw);
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
  EXPECT_EQ(dlg.Stage(), 2);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(host.progressVisible);
  EXPECT_FALSE(host.TimerRunning(kReplyTimerId));
  std::vector<std::string> expected = {std::string(texts::kCommunicating)};
  for (int s = 1; s <= 8; ++s) expected.push_back("Reading ... slot no. " + std::to_string(s));
  EXPECT_EQ(host.progressTexts, expected);

  // BACKUP.BIN holds what the converter makes of the raw settings, and nothing else.
  CSettingsBackup reference;
  const fs::path refPath = dir / "reference.bin";
  ASSERT_TRUE(testing::SaveConvertedSettings(reference, raw, refPath.string()));
  std::ifstream a(dir / "BACKUP.BIN", std::ios::binary), b(refPath, std::ios::binary);
  const Bytes got((std::istreambuf_iterator<char>(a)), {});
  const Bytes want((std::istreambuf_iterator<char>(b)), {});
  EXPECT_FALSE(got.empty());
  EXPECT_EQ(got, want);

  // A dated copy stays in the history folder, and survives the window's destruction.
  std::vector<fs::path> copies;
  for (const auto& entry : fs::directory_iterator(dir / "backups")) copies.push_back(entry.path());
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].filename().string().rfind("BACKUP-", 0), 0u);
  dlg.OnDestroy();
  EXPECT_FALSE(fs::exists(dir / "BACKUP.BIN"));
  std::ifstream c(copies[0], std::ios::binary);
  EXPECT_EQ(Bytes((std::istreambuf_iterator<char>(c)), {}), want);
}

TEST_F(ControllerTest, RestoreFromASavedCopySendsExactlyItsRecords) {
  const Bytes file = {0x00, 0x02, 0x00, 0x03, 0xAA, 0xBB, 0xCC, 0x00, 0x07, 0x00, 0x00};
  const fs::path saved = dir / "saved.bin";
  std::ofstream(saved, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  dlg.OnRestoreFrom(saved.string());
  Bytes first = NextRequest();
  EXPECT_EQ(Bytes(first.begin() + kOffSlotNumber, first.end()),
            (Bytes{0x02, 0x00, 0xAA, 0xBB, 0xCC}));
  Reply(StatusReply(CMD_WRITE_SLOT_REPLY, 0));
  const Bytes second = NextRequest();
  EXPECT_EQ(GetU16(second, kOffSlotNumber), 7);
  EXPECT_EQ(second.size(), kSlotFrameHeaderSize);
  Reply(StatusReply(CMD_WRITE_SLOT_REPLY, 0));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, texts::kMsgComplete);
}

TEST_F(ControllerTest, SlotInThreeBlocksCostsOneRequest) {
  dlg.OnBackup();
  NextRequest();
  Reply(SlotReply(0, false, 0, 0, Bytes(128, 1)));
  Reply(SlotReply(0, false, 1, 0, Bytes(128, 2)));
  EXPECT_FALSE(peer.ReadFrame(100).has_value());
  EXPECT_TRUE(host.TimerRunning(kReplyTimerId));
  Reply(SlotReply(0, true, 2, 0, Bytes(10, 3)));
  const Bytes req = NextRequest();
  EXPECT_EQ(GetU16(req, kOffSlotNumber), 1);
  EXPECT_EQ(dlg.SlotNo(), 1);
}

TEST_F(ControllerTest, UpdateSendsBlocksWithProgressAndEndsInStageThreeWithoutMessage) {
  Bytes img(300);
  std::iota(img.begin(), img.end(), 0);
  WriteMotFile(dir / "Q7310_v201.mot", img);
  dlg.OnUpdate();
  const Bytes start = NextRequest();
  EXPECT_EQ(GetU16(start, kOffCommand), CMD_UPDATE_START);
  EXPECT_EQ(GetU32(start, kOffStartAddress), 0x1000u);
  EXPECT_EQ(GetU32(start, kOffImageSize), 300u);
  EXPECT_EQ(GetU32(start, kOffImageSum), std::accumulate(img.begin(), img.end(), 0u));
  Bytes received;
  for (uint16_t k = 0; k < 3; ++k) {
    Reply(StatusReply(CMD_UPDATE_REPLY, kUpdateStatusOk));
    const Bytes data = NextRequest();
    EXPECT_EQ(GetU16(data, kOffWord6), k);
    received.insert(received.end(), data.begin() + kOffUpdateData, data.end());
  }
  EXPECT_EQ(received, img);
  Reply(StatusReply(CMD_UPDATE_REPLY, kUpdateStatusOk));
  EXPECT_EQ(dlg.Stage(), 3);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.progressTexts,
            (std::vector<std::string>{"Communicating ...", "  42 %  (128/300 byte) transmitted",
                                      "  85 %  (256/300 byte) transmitted",
                                      " 100 %  (300/300 byte) transmitted"}));
}

TEST_F(ControllerTest, RestoreSendsBlocksOfSixtyFourAndCompletes) {
  Bytes file = {0x00, 0x04, 0x00, 150};
  for (int i = 0; i < 150; ++i) file.push_back(static_cast<uint8_t>(i));
  std::ofstream(dir / "BACKUP.BIN", std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  dlg.OnRestore();
  const size_t sizes[] = {64, 64, 22};
  const uint16_t controls[] = {0, 0, kEndOfSlotControl};
  for (uint16_t k = 0; k < 3; ++k) {
    const Bytes req = NextRequest();
    EXPECT_EQ(GetU16(req, kOffCommand), CMD_WRITE_SLOT);
    EXPECT_EQ(req.size(), kSlotFrameHeaderSize + sizes[k]);
    EXPECT_EQ(GetU16(req, kOffWord4), controls[k]);
    EXPECT_EQ(GetU16(req, kOffBlockNumber), k);
    EXPECT_EQ(GetU16(req, kOffSlotNumber), 4);
    Reply(StatusReply(CMD_WRITE_SLOT_REPLY, 0));
  }
  EXPECT_EQ(host.progressTexts,
            (std::vector<std::string>{"Communicating ...", "Writing ... slot no. 4",
                                      "Writing ... slot no. 4"}));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].kind, MessageKind::Complete);
  EXPECT_EQ(host.messages[0].text, texts::kMsgComplete);
  EXPECT_EQ(dlg.Stage(), 1);
}

TEST_F(ControllerTest, UnansweredRequestIsSentFourTimesAndGivenUpAtTwentySeconds) {
  dlg.OnBackup();
  const Bytes first = NextRequest();
  for (int resend = 1; resend <= 3; ++resend) {
    host.Advance(4999);
    EXPECT_FALSE(peer.ReadFrame(50).has_value());
    host.Advance(1);
    EXPECT_EQ(NextRequest(), first) << "resend " << resend;
  }
  host.Advance(4999);
  EXPECT_TRUE(host.messages.empty());
  host.Advance(1);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, texts::kMsgNoReply);
  EXPECT_EQ(host.Now(), 20000u);
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
  EXPECT_EQ(dlg.RetryCount(), 0);
  EXPECT_FALSE(host.TimerRunning(kReplyTimerId));
  EXPECT_FALSE(host.progressVisible);
  EXPECT_FALSE(peer.ReadFrame(50).has_value());
}

// Made-up ports of the machine, for the give-up's detail.
std::vector<SerialPortInfo> TwoPorts() {
  SerialPortInfo uart;
  uart.device = "/dev/ttyS0";
  uart.portNumber = 1;
  SerialPortInfo usb;
  usb.device = "/dev/ttyUSB0";
  usb.vendorId = "0403";
  usb.productId = "6001";
  usb.description = "FTDI FT232R USB UART";
  return {uart, usb};
}

std::string ResendLine(int count) {
  return FormatNumbered(texts::kFmtResend, {"5.0", std::to_string(count), "3"});
}

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

TEST_F(ControllerTest, EachResendIsSaidWithItsCountAndTheGiveUpSaysWhatToCheck) {
  dlg.SetPortLister(TwoPorts);
  dlg.OnBackup();
  NextRequest();
  host.Advance(4999);
  EXPECT_TRUE(host.resends.empty()) << "nothing is said before the reply timer runs out";
  host.Advance(1);
  host.Advance(10000);
  ASSERT_EQ(host.resends.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(host.resends[i].count, i + 1);
    EXPECT_EQ(host.resends[i].limit, 3);
    EXPECT_EQ(host.resends[i].timeoutMs, 5000u);
    EXPECT_EQ(host.resends[i].command, "CMD_READ_SLOT");
    EXPECT_EQ(host.resends[i].text, ResendLine(i + 1));
  }

  host.Advance(5000);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, texts::kMsgNoReply);
  const std::string& detail = host.messages[0].detail;
  // The unit's BACKUP mode with the keys of stage 1's own line, the cable as stage 1 names it,
  // and the port used among the others present.
  EXPECT_TRUE(
      Contains(detail, std::string(texts::kNoReplyMode) + std::string(texts::kGuideStage1[1])))
      << detail;
  EXPECT_TRUE(
      Contains(detail, std::string(texts::kNoReplyCable) + std::string(texts::kGuideStage1[0])))
      << detail;
  EXPECT_TRUE(Contains(
      detail, FormatNumbered(texts::kFmtNoReplyPort,
                             {peer.DevicePath(),
                              std::string(texts::kNoReplyOtherPorts) +
                                  "/dev/ttyS0 (port 1), /dev/ttyUSB0 (FTDI FT232R USB UART, "
                                  "0403:6001)"})))
      << detail;
  EXPECT_FALSE(Contains(detail, texts::kDetailWritesFailed)) << "the writes went out";

  // The give-up starts the count again: the next operation's first resend is the first of three.
  host.messages.clear();
  dlg.OnBackup();
  NextRequest();
  host.Advance(5000);
  ASSERT_EQ(host.resends.size(), 4u);
  EXPECT_EQ(host.resends[3].text, ResendLine(1));
  dlg.OnCommCancel();
}

TEST_F(ControllerTest, ResendBudgetCarriesOverFromOneOperationToTheNext) {
  const Bytes raw = MakeSampleRawSettings(1, 3);
  dlg.OnBackup();
  NextRequest();
  host.Advance(5000);
  host.Advance(5000);
  EXPECT_EQ(dlg.RetryCount(), 2);
  peer.DrainFrames(100);
  // Answer slot by slot from here on; the resends already made stay counted.
  host.guidance.clear();
  dlg.OnCommCancel();
  RunBackup(raw);
  ASSERT_EQ(dlg.Stage(), 2);
  EXPECT_EQ(dlg.RetryCount(), 2);

  Bytes img(16, 0x5A);
  WriteMotFile(dir / "Q7310_v201.mot", img);
  dlg.OnUpdate();
  NextRequest();
  host.Advance(5000);
  NextRequest();  // the one resend left, and said so: the third of the run
  ASSERT_EQ(host.resends.size(), 3u);
  EXPECT_EQ(host.resends.back().count, 3);
  EXPECT_EQ(host.resends.back().command, "CMD_UPDATE_START");
  EXPECT_EQ(host.resends.back().text, ResendLine(3));
  host.Advance(5000);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, texts::kMsgNoReply);
  EXPECT_EQ(dlg.Stage(), 2) << "a give-up leaves the stage alone";
  // The update's mode: out of BACKUP mode, into UPDATE mode, in the stage 2 lines' words.
  const std::string& detail = host.messages[0].detail;
  EXPECT_TRUE(Contains(detail, std::string(texts::kNoReplyMode) +
                                   std::string(texts::kGuideStage2[0]) + " " +
                                   std::string(texts::kGuideStage2[1])))
      << detail;
  EXPECT_FALSE(Contains(detail, texts::kGuideStage1[1])) << detail;
}

TEST_F(ControllerTest, DeviceMessagesDuringUpdate) {
  WriteMotFile(dir / "Q7310_v201.mot", Bytes(200, 1));
  dlg.OnUpdate();
  NextRequest();
  host.Advance(1000);
  const uint64_t deadline = host.TimerDeadline(kReplyTimerId);
  dlg.OnFrameReceived(0, DeviceMessage(1, std::string("ERASING\0junk", 12)));
  EXPECT_EQ(host.progressTexts.back(), "ERASING");
  EXPECT_EQ(host.TimerDeadline(kReplyTimerId), deadline) << "a device message is not a reply";

  // An overlong text shows its first 128 bytes.
  dlg.OnFrameReceived(0, DeviceMessage(1, std::string(140, 'x')));
  EXPECT_EQ(host.progressTexts.back(), std::string(128, 'x'));

  // The amplifier's code page, Windows-1252, reaches every front end as UTF-8; the five bytes
  // it leaves undefined show as U+FFFD.
  std::string high;
  for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
  dlg.OnFrameReceived(0, DeviceMessage(1, high));
  const std::string& shown = host.progressTexts.back();
  EXPECT_EQ(shown.substr(0, 3), "\u20AC");                    // 0x80, the euro sign
  EXPECT_NE(shown.find("\u201C\u201D"), std::string::npos);   // 0x93 0x94, curly quotes
  EXPECT_EQ(shown.substr(shown.size() - 4), "\u00FE\u00FF");  // 0xFE 0xFF, Latin-1 letters
  size_t codePoints = 0, replaced = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    codePoints += (static_cast<unsigned char>(shown[i]) & 0xC0) != 0x80;
    if (shown.compare(i, 3, "\uFFFD") == 0) ++replaced;
  }
  EXPECT_EQ(codePoints, 128u) << "one character per byte";
  EXPECT_EQ(replaced, 5u);

  // A failing device message: its text is the failure's detail; the message stays exact.
  dlg.OnFrameReceived(0, DeviceMessage(0, "Flash \xE9rror"));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, texts::kMsgUpdateFailed);
  EXPECT_EQ(host.messages[0].detail, std::string(texts::kDetailDeviceSaid) + ": Flash \u00E9rror");
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
  host.Advance(30000);
  EXPECT_FALSE(peer.ReadFrame(50).has_value()) << "no resend after a failure";
}

TEST_F(ControllerTest, FramesForAnotherModeAreIgnoredAndTheTimerRunsOn) {
  dlg.OnFrameReceived(0, StatusReply(CMD_UPDATE_REPLY, 1));  // idle
  dlg.OnBackup();
  NextRequest();
  host.Advance(2000);
  const uint64_t deadline = host.TimerDeadline(kReplyTimerId);
  Reply(StatusReply(CMD_WRITE_SLOT_REPLY, 0));
  Reply(StatusReply(CMD_UPDATE_REPLY, 1));
  Reply(StatusReply(0x77, 0));
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kBackup);
  EXPECT_EQ(host.TimerDeadline(kReplyTimerId), deadline);
  EXPECT_TRUE(host.messages.empty());
  // Buttons do nothing while an operation runs.
  dlg.OnUpdate();
  dlg.OnRestore();
  dlg.OnBackup();
  EXPECT_FALSE(peer.ReadFrame(100).has_value());
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kBackup);
}

TEST_F(ControllerTest, CancelThenLateReplyIsIgnoredAndUpdateStartsAfresh) {
  WriteMotFile(dir / "Q7310_v201.mot", Bytes(300, 2));
  dlg.OnUpdate();
  NextRequest();
  Reply(StatusReply(CMD_UPDATE_REPLY, 1));
  EXPECT_EQ(GetU16(NextRequest(), kOffWord6), 0);
  dlg.OnCommCancel();
  EXPECT_FALSE(host.progressVisible);
  EXPECT_FALSE(host.TimerRunning(kReplyTimerId));
  Reply(StatusReply(CMD_UPDATE_REPLY, 1));
  EXPECT_FALSE(peer.ReadFrame(100).has_value());
  dlg.OnUpdate();
  EXPECT_EQ(GetU16(NextRequest(), kOffCommand), CMD_UPDATE_START);
  Reply(StatusReply(CMD_UPDATE_REPLY, 1));
  EXPECT_EQ(GetU16(NextRequest(), kOffWord6), 0) << "a new update starts at block 0";
}

TEST_F(ControllerTest, FailureStatusesEndEachOperationWithItsMessage) {
  struct Case {
    const char* name;
    std::function<void()> start;
    Bytes reply;
    std::string_view message;
  };
  WriteMotFile(dir / "Q7310_v201.mot", Bytes(20, 3));
  std::ofstream(dir / "BACKUP.BIN", std::ios::binary).write("\0\1\0\1x", 5);
  const std::vector<Case> cases = {
      {"backup", [&] { dlg.OnBackup(); }, SlotReply(1, true, 0, 0, {}), texts::kMsgBackupFailed},
      {"update", [&] { dlg.OnUpdate(); }, StatusReply(CMD_UPDATE_REPLY, 0x0101),
       texts::kMsgUpdateFailed},
      {"restore", [&] { dlg.OnRestore(); }, StatusReply(CMD_WRITE_SLOT_REPLY, 2),
       texts::kMsgRestoreFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host.messages.clear();
    c.start();
    NextRequest();
    Reply(c.reply);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(host.messages[0].text, c.message);
    EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
    EXPECT_FALSE(host.TimerRunning(kReplyTimerId));
    EXPECT_EQ(dlg.Stage(), 1);
  }
}

TEST_F(ControllerTest, DamagedAndShortFramesAreDroppedSoTheRequestIsResent) {
  dlg.OnBackup();
  const Bytes request = NextRequest();
  dlg.OnFrameReceived(RXERR_CHECKSUM, SlotReply(0, true, 0, 0, Bytes(10, 9)));
  dlg.OnFrameReceived(RXERR_FRAMING, SlotReply(0, true, 0, 0, Bytes(10, 9)));
  dlg.OnFrameReceived(0, Bytes{0x40, 0x00});  // shorter than command and length
  Bytes cut = SlotReply(0, true, 0, 0, Bytes(50, 9));
  cut.resize(30);  // shorter than its own length field
  dlg.OnFrameReceived(0, cut);
  dlg.OnFrameReceived(0, Bytes{0x40, 0x00, 0x0A, 0x00, 0x00, 0x01});  // shorter than 10 bytes
  EXPECT_EQ(dlg.SlotNo(), 0);
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kBackup);
  host.Advance(5000);
  EXPECT_EQ(NextRequest(), request);
}

TEST_F(ControllerTest, LateReplyToAResentRequestIsNotTakenForTheNextSlot) {
  dlg.OnBackup();
  NextRequest();
  host.Advance(5000);
  NextRequest();  // slot 0 resent
  Reply(SlotReply(0, true, 0, 0, Bytes(20, 1)));
  EXPECT_EQ(GetU16(NextRequest(), kOffSlotNumber), 1);
  const uint64_t deadline = host.TimerDeadline(kReplyTimerId);
  Reply(SlotReply(0, true, 0, 0, Bytes(20, 1)));  // the answer to the resend, late
  EXPECT_EQ(dlg.SlotNo(), 1);
  EXPECT_EQ(host.TimerDeadline(kReplyTimerId), deadline);
  EXPECT_FALSE(peer.ReadFrame(100).has_value());
  Reply(SlotReply(0, true, 0, 1, Bytes(20, 2)));
  EXPECT_EQ(GetU16(NextRequest(), kOffSlotNumber), 2);
}

// Write-slot and update replies carry no request number: after a resend, the answers to the
// earlier copies must not be taken for the next request's.
TEST_F(ControllerTest, AnswersToResentCopiesAreAwaitedBeforeTheNextBlock) {
  Bytes file = {0x00, 0x04, 0x00, 150};
  file.resize(4 + 150, 0x33);
  std::ofstream(dir / "BACKUP.BIN", std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  dlg.OnRestore();
  NextRequest();
  Reply(StatusReply(CMD_WRITE_SLOT_REPLY, 0));
  EXPECT_EQ(GetU16(NextRequest(), kOffBlockNumber), 1);
  host.Advance(5000);
  host.Advance(5000);
  peer.DrainFrames(100);  // the two copies
  // The amplifier was held up; the answers to all three copies come at once.
  Reply(StatusReply(CMD_WRITE_SLOT_REPLY, 0));
  Reply(StatusReply(CMD_WRITE_SLOT_REPLY, 0));
  EXPECT_FALSE(peer.ReadFrame(100).has_value()) << "the next block went out before the copies "
                                                   "were answered";
  Reply(StatusReply(CMD_WRITE_SLOT_REPLY, 0));
  const Bytes last = NextRequest();
  EXPECT_EQ(GetU16(last, kOffBlockNumber), 2);
  EXPECT_TRUE(host.messages.empty()) << "complete before the last block was answered";
  Reply(StatusReply(CMD_WRITE_SLOT_REPLY, 0));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, texts::kMsgComplete);
  EXPECT_EQ(dlg.RetryCount(), 2);
}

TEST_F(ControllerTest, AnswersLostWithTheirCopiesHoldTheNextBlockForOneReplyPeriod) {
  WriteMotFile(dir / "Q7310_v201.mot", Bytes(300, 7));
  dlg.OnUpdate();
  NextRequest();
  host.Advance(5000);
  NextRequest();  // the copy, whose answer never comes
  Reply(StatusReply(CMD_UPDATE_REPLY, kUpdateStatusOk));
  host.Advance(4999);
  EXPECT_FALSE(peer.ReadFrame(100).has_value());
  host.Advance(1);
  EXPECT_EQ(GetU16(NextRequest(), kOffWord6), 0) << "the first block after the silence";
  EXPECT_EQ(dlg.RetryCount(), 1) << "the wait is not a resend";
  Reply(StatusReply(CMD_UPDATE_REPLY, kUpdateStatusOk));
  EXPECT_EQ(GetU16(NextRequest(), kOffWord6), 1) << "no wait without a resend";

  // A late answer that reports a failure ends the update.
  host.Advance(5000);
  NextRequest();
  Reply(StatusReply(CMD_UPDATE_REPLY, kUpdateStatusOk));
  Reply(StatusReply(CMD_UPDATE_REPLY, 0));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, texts::kMsgUpdateFailed);
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
  EXPECT_FALSE(peer.ReadFrame(100).has_value());
}

TEST_F(ControllerTest, FailureReplyEndsTheBackupWhateverSlotItNames) {
  struct Case {
    const char* name;
    uint16_t slotsRead;   // slots answered before the failure
    uint16_t failedSlot;  // the slot number the failure reply carries
  };
  const std::vector<Case> cases = {
      {"a slot not yet requested", 0, 5},
      {"the slot before the one being read", 1, 0},
      {"a slot number beyond 8", 2, 0x1234},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.messages.clear();
    dlg.OnBackup();
    for (uint16_t slot = 0; slot < c.slotsRead; ++slot) {
      NextRequest();
      Reply(SlotReply(0, true, 0, slot, Bytes(8, 1)));
    }
    EXPECT_EQ(GetU16(NextRequest(), kOffSlotNumber), c.slotsRead);
    Reply(SlotReply(1, true, 0, c.failedSlot, {}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(host.messages[0].text, texts::kMsgBackupFailed);
    EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
    EXPECT_FALSE(host.TimerRunning(kReplyTimerId));
    host.Advance(25000);  // no resend and no time-out message follow
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_TRUE(peer.DrainFrames(100).empty()) << "only the one request was sent";
  }
}

TEST_F(ControllerTest, OverlongSlotReplyIsIgnoredWithTheTimerRunning) {
  dlg.OnBackup();
  NextRequest();
  Reply(SlotReply(0, true, 0, 0, Bytes(129, 1)));  // length 139
  EXPECT_EQ(dlg.SlotNo(), 0);
  EXPECT_TRUE(host.TimerRunning(kReplyTimerId));
  Reply(SlotReply(0, false, 0, 0, Bytes(128, 1)));  // length 138 is accepted
  EXPECT_TRUE(peer.DrainFrames(100).empty());
}

TEST_F(ControllerTest, MissingOrDamagedFilesFailBeforeAnythingIsSent) {
  struct Case {
    const char* name;
    std::string mot;  // Q7310_v201.mot, or none when empty
    Bytes backup;     // BACKUP.BIN, or none when empty
    bool update;      // UPDATE, else RESTORE
    std::string_view message;
    std::string detail;  // its start
  };
  const std::string header = testing::SRecordLine('0', 0) + "\n";
  const std::string data = testing::SRecordLine('1', 0x100, Bytes(16, 7)) + "\n";
  const std::string end = testing::SRecordLine('9', 0) + "\n";
  // Slot 0 with 2 bytes, then slot 1 announcing 9 bytes but holding 3.
  const Bytes cutBackup = {0, 0, 0, 2, 0xAA, 0xBB, 0, 1, 0, 9, 1, 2, 3};
  const std::vector<Case> cases = {
      // A file that is not there: where it was looked for, and the option that moves it.
      {"no firmware file",
       "",
       {},
       true,
       texts::kMsgMotReadFailed,
       "Q7310_v201.mot: no such file (--dir FOLDER names another folder than"},
      {"firmware cut after a data line",
       header + data + data,
       {},
       true,
       texts::kMsgMotReadFailed,
       "line 3: the file does not end with a termination record (S7, S8 or S9): cut short?"},
      {"firmware without its header",
       data + data + end,
       {},
       true,
       texts::kMsgMotReadFailed,
       "line 1: the file does not start with a header record (S0)"},
      {"no backup file", "", {}, false, texts::kMsgBackupFileFailed, "BACKUP.BIN: no such file"},
      {"backup whose last record is cut", "", cutBackup, false, texts::kMsgBackupFileFailed,
       "the file is not a sequence of well-formed slot records: the record at offset 0x6 runs "
       "past the end of the file (13 bytes)"},
  };
  // An UPDATE.BIN of an earlier update stays as it was.
  WriteMotFile(dir / "Q7310_v201.mot", Bytes(20, 3));
  dlg.OnUpdate();
  NextRequest();
  dlg.OnCommCancel();
  const Bytes staged = ReadBytes(dir / "UPDATE.BIN");
  ASSERT_EQ(staged, Bytes(20, 3));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir / "Q7310_v201.mot");
    fs::remove(dir / "BACKUP.BIN");
    if (!c.mot.empty()) std::ofstream(dir / "Q7310_v201.mot") << c.mot;
    if (!c.backup.empty()) {
      std::ofstream(dir / "BACKUP.BIN", std::ios::binary)
          .write(reinterpret_cast<const char*>(c.backup.data()),
                 static_cast<std::streamsize>(c.backup.size()));
    }
    host.messages.clear();
    host.progressTitle.clear();
    c.update ? dlg.OnUpdate() : dlg.OnRestore();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, c.message);
    // The detail names the file when it is the backup, then the reason.
    const std::string& detail = host.messages[0].detail;
    EXPECT_NE(detail.find(c.detail), std::string::npos) << detail;
    if (!c.update) {
      EXPECT_EQ(detail.rfind((dir / "BACKUP.BIN").string() + ": ", 0), 0u) << detail;
    }
    EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
    EXPECT_TRUE(host.progressTitle.empty()) << "the progress dialog was never set up";
    EXPECT_FALSE(host.progressVisible);
    EXPECT_FALSE(peer.ReadFrame(100).has_value());
    EXPECT_EQ(ReadBytes(dir / "UPDATE.BIN"), staged);
  }
}

TEST_F(ControllerTest, StagingFailureLeavesTheControllerIdle) {
  WriteMotFile(dir / "Q7310_v201.mot", Bytes(20, 3));
  // A directory where the staging file belongs: the load cannot write it.
  fs::create_directories(dir / "UPDATE.BIN");
  dlg.OnUpdate();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
  EXPECT_FALSE(host.progressVisible);
}

// Made-up firmware must never reach an amplifier: the simulator's sample is refused with its own
// message before anything is staged or sent, unless the front end allows it (--allow-sample).
TEST_F(ControllerTest, TheSimulatorsSampleIsRefusedUnlessAllowed) {
  const fs::path mot = testing::CopySampleFirmwareTo(dir);
  std::ofstream(dir / "UPDATE.BIN") << "earlier";
  dlg.OnUpdate();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(host.messages[0].text, texts::kMsgSampleFirmware);
  const std::string& detail = host.messages[0].detail;
  EXPECT_EQ(detail.rfind(mot.string() + " is marked in its header record (S0) as the sample for "
                                        "q7310-sim; nothing was sent.\n",
                         0),
            0u)
      << detail;
  EXPECT_NE(detail.find("put the amplifier's released firmware file in " + dir.string() +
                        " as Q7310_v201.mot"),
            std::string::npos)
      << detail;
  EXPECT_NE(detail.find("--allow-sample"), std::string::npos) << detail;
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
  EXPECT_TRUE(host.progressTitle.empty()) << "the progress dialog was never set up";
  EXPECT_FALSE(peer.ReadFrame(100).has_value());
  EXPECT_EQ(ReadBytes(dir / "UPDATE.BIN"), Bytes({'e', 'a', 'r', 'l', 'i', 'e', 'r'}));

  host.messages.clear();
  dlg.SetSampleAllowed(true);
  dlg.OnUpdate();
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kUpdate);
  const Bytes start = NextRequest();
  EXPECT_EQ(GetU16(start, kOffCommand), CMD_UPDATE_START);
  const std::optional<UpdateStartRequest> announced = ParseUpdateStart(start);
  ASSERT_TRUE(announced.has_value());
  EXPECT_EQ(announced->imageSize, 65536u);
  EXPECT_EQ(announced->imageSum, 0x7F9D93u);
  dlg.OnCommCancel();

  // Allowed or not, firmware without the mark goes out as before.
  dlg.SetSampleAllowed(false);
  WriteMotFile(dir / "Q7310_v201.mot", Bytes(20, 3));
  dlg.OnUpdate();
  EXPECT_EQ(GetU16(NextRequest(), kOffCommand), CMD_UPDATE_START);
  dlg.OnCommCancel();
}

TEST_F(ControllerTest, DestroyKeepsFilesThatWereThereBeforeAndClosesThePort) {
  // Perhaps the only copy of a customer's settings: a run that did not write it keeps it, also
  // after an update that failed to load and a restore from it.
  std::ofstream(dir / "BACKUP.BIN", std::ios::binary).write("\0\1\0\0", 4);
  std::ofstream(dir / "UPDATE.BIN") << "y";
  dlg.OnUpdate();
  dlg.OnRestore();
  EXPECT_EQ(GetU16(NextRequest(), kOffCommand), CMD_WRITE_SLOT);
  dlg.OnCommCancel();
  EXPECT_TRUE(dlg.OnDestroy().empty());
  EXPECT_TRUE(fs::exists(dir / "BACKUP.BIN"));
  EXPECT_TRUE(fs::exists(dir / "UPDATE.BIN"));
  EXPECT_FALSE(serial.IsOpen());
}

TEST_F(ControllerTest, DestroyDeletesTheFilesThisRunWrote) {
  // An earlier BACKUP.BIN that this run's backup replaces is this run's file from then on.
  std::ofstream(dir / "BACKUP.BIN") << "earlier";
  RunBackup(MakeSampleRawSettings(1, 3));
  WriteMotFile(dir / "Q7310_v201.mot", Bytes(300, 7));
  dlg.OnUpdate();
  EXPECT_EQ(GetU16(NextRequest(), kOffCommand), CMD_UPDATE_START);
  dlg.OnCommCancel();
  ASSERT_TRUE(fs::exists(dir / "UPDATE.BIN"));
  EXPECT_TRUE(dlg.OnDestroy().empty());
  EXPECT_FALSE(fs::exists(dir / "BACKUP.BIN"));
  EXPECT_FALSE(fs::exists(dir / "UPDATE.BIN"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "backups"), fs::directory_iterator()), 1);
}

// The end of a run never deletes the only copy of the settings a backup read: a BACKUP.BIN
// that no dated copy holds stays, and the controller says why.
TEST_F(ControllerTest, ABackupThatNoDatedCopyHoldsIsKeptAtExit) {
  // A file where the history folder belongs: no dated copy can be made.
  std::ofstream(dir / "backups") << "x";
  RunBackup(MakeSampleRawSettings(1, 3));
  ASSERT_EQ(dlg.Stage(), 2);
  const Bytes backupBin = ReadBytes(dir / "BACKUP.BIN");
  EXPECT_TRUE(dlg.OnDestroy().empty());
  EXPECT_EQ(ReadBytes(dir / "BACKUP.BIN"), backupBin);
  const KeptBackup& kept = dlg.BackupKeptAtExit();
  EXPECT_EQ(kept.path, (dir / "BACKUP.BIN").string());
  // Why: the reason the copy failed, which names the folder.
  const std::string couldNot = FormatNumbered(texts::kFmtNoCopyCouldBeKept, {""});
  EXPECT_EQ(kept.why.rfind(couldNot.substr(0, couldNot.size() - 1), 0), 0u) << kept.why;
  EXPECT_NE(kept.why.find((dir / "backups").string()), std::string::npos) << kept.why;
}

TEST_F(ControllerTest, AtExitTheDatedCopiesAreSearchedForTheBackupsBytes) {
  RunBackup(MakeSampleRawSettings(1, 3));
  std::vector<fs::path> copies;
  for (const auto& entry : fs::directory_iterator(dir / "backups")) copies.push_back(entry.path());
  ASSERT_EQ(copies.size(), 1u);
  // The run's own copy changed by someone, but an older copy of the same bytes is there: the
  // settings are safe, so BACKUP.BIN goes as usual.
  fs::copy_file(copies[0], dir / "backups" / "BACKUP-20200101-000000.BIN");
  std::ofstream(copies[0], std::ios::app) << "changed";
  EXPECT_TRUE(dlg.OnDestroy().empty());
  EXPECT_FALSE(dlg.BackupKeptAtExit().Kept());
  EXPECT_FALSE(fs::exists(dir / "BACKUP.BIN"));
}

TEST_F(ControllerTest, AtExitABackupWhoseCopyWentIsKeptEvenWhenFilesAreKept) {
  RunBackup(MakeSampleRawSettings(1, 3));
  fs::remove_all(dir / "backups");
  // Kept files are kept anyway; that no copy holds this one is said all the same.
  EXPECT_TRUE(dlg.OnDestroy(true).empty());
  EXPECT_TRUE(fs::exists(dir / "BACKUP.BIN"));
  EXPECT_EQ(dlg.BackupKeptAtExit().why,
            FormatNumbered(texts::kFmtNoCopyHoldsIt, {dlg.HistoryFolder()}));
}

// After an update or a restore that did not succeed, in a run that made a backup, the host
// learns where that backup's settings are, just before the failure's message (if any).
TEST_F(ControllerTest, AnUpdateOrRestoreThatFailsAfterABackupSaysWhereItsSettingsAre) {
  // No backup yet: nothing to say.
  dlg.OnUpdate();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_TRUE(host.settingsNotes.empty());

  RunBackup(MakeSampleRawSettings(1, 3));
  ASSERT_EQ(dlg.Stage(), 2);
  const fs::path copy = fs::directory_iterator(dir / "backups")->path();
  const SettingsNote expected =
      NoteWhereSettingsAre(copy.string(), true, "restore " + copy.string());
  const auto expectNote = [&](bool failed) {
    ASSERT_EQ(host.settingsNotes.size(), 1u);
    const TestHost::NoteTold& told = host.settingsNotes[0];
    EXPECT_EQ(told.note.path, expected.path);
    EXPECT_TRUE(told.note.datedCopy);
    EXPECT_EQ(told.note.how, expected.how);
    EXPECT_EQ(told.note.text, expected.text);
    EXPECT_EQ(told.failed, failed);
    // A failure's message comes right after it; a cancel shows none.
    EXPECT_EQ(told.messagesBefore + (failed ? 1 : 0), host.messages.size());
    host.settingsNotes.clear();
  };
  struct Case {
    const char* name;
    std::function<void()> run;
    bool failed;
  };
  const std::vector<Case> cases = {
      {"firmware file missing", [&] { dlg.OnUpdate(); }, true},
      {"update refused half way",
       [&] {
         WriteMotFile(dir / "Q7310_v201.mot", Bytes(300, 7));
         dlg.OnUpdate();
         NextRequest();
         Reply(StatusReply(CMD_UPDATE_REPLY, kUpdateStatusOk));
         NextRequest();
         Reply(StatusReply(CMD_UPDATE_REPLY, 0));
         fs::remove(dir / "Q7310_v201.mot");
       },
       true},
      {"update cancelled",
       [&] {
         WriteMotFile(dir / "Q7310_v201.mot", Bytes(300, 7));
         dlg.OnUpdate();
         NextRequest();
         dlg.OnCommCancel();
         fs::remove(dir / "Q7310_v201.mot");
       },
       false},
      {"restore refused",
       [&] {
         dlg.OnRestore();
         NextRequest();
         Reply(StatusReply(CMD_WRITE_SLOT_REPLY, 1));
       },
       true},
      {"restore given up",
       [&] {
         dlg.OnRestore();
         NextRequest();
         host.Advance(20000);
         peer.DrainFrames(100);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.messages.clear();
    c.run();
    expectNote(c.failed);
  }
  // A backup that fails puts nothing at risk.
  host.messages.clear();
  dlg.OnBackup();
  NextRequest();
  Reply(SlotReply(1, true, 0, 0, {}));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_TRUE(host.settingsNotes.empty());
}

TEST_F(ControllerTest, WithoutADatedCopyTheNoteNamesBackupBinWhichTheRunKeeps) {
  std::ofstream(dir / "backups") << "x";
  RunBackup(MakeSampleRawSettings(1, 3));
  dlg.OnUpdate();  // no firmware file
  ASSERT_EQ(host.settingsNotes.size(), 1u);
  const std::string backupBin = (dir / "BACKUP.BIN").string();
  EXPECT_EQ(host.settingsNotes[0].note.path, backupBin);
  EXPECT_FALSE(host.settingsNotes[0].note.datedCopy);
  EXPECT_EQ(host.settingsNotes[0].note.text,
            NoteWhereSettingsAre(backupBin, false, "restore " + backupBin).text);
  dlg.OnDestroy();
  EXPECT_TRUE(fs::exists(backupBin));
}

// A restore that finds no BACKUP.BIN names the newest whole dated copy and how to restore it.
TEST_F(ControllerTest, ARestoreWithoutBackupBinNamesTheNewestSavedCopy) {
  const fs::path history = dir / "backups";
  fs::create_directories(history);
  Bytes whole;
  testing::AppendRecord(whole, 0, Bytes(5, 1));
  const auto write = [&](const char* name, const Bytes& bytes) {
    std::ofstream(history / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  };
  const auto detail = [&] {
    host.messages.clear();
    dlg.OnRestore();
    EXPECT_EQ(host.messages.size(), 1u);
    return host.messages.empty() ? std::string() : host.messages[0].detail;
  };
  // No dated copy: the reason alone.
  EXPECT_EQ(detail(), (dir / "BACKUP.BIN").string() + ": no such file");
  write("BACKUP-20261207-143015.BIN", whole);
  write("BACKUP-20261207-143015-2.BIN", whole);  // the same second, made later
  write("BACKUP-20261206-235959-3.BIN", whole);
  write("BACKUP-20261209-080000.BIN", {0, 1, 0, 9});  // newer, but cut: passed over
  write("BACKUP-20261210-080000.txt", whole);         // not a dated copy's name
  const std::string newest = (history / "BACKUP-20261207-143015-2.BIN").string();
  EXPECT_EQ(detail(), (dir / "BACKUP.BIN").string() + ": no such file\n" +
                          NewestCopyText(newest, "restore " + newest));
  EXPECT_FALSE(peer.ReadFrame(100).has_value());
  // A BACKUP.BIN that is there but damaged is its own problem: no other file is suggested.
  std::ofstream(dir / "BACKUP.BIN", std::ios::binary).write("\0\1\0\x09", 4);
  EXPECT_EQ(detail().find("newest"), std::string::npos);
}

// A file of whole records that lacks or repeats slots is restored only when the host says so,
// and nothing is sent before it does.
TEST_F(ControllerTest, ABackupLackingOrRepeatingSlotsIsRestoredOnlyWhenConfirmed) {
  Bytes partial;
  for (uint16_t slot : {0, 1, 2, 3, 3, 5, 6, 7}) testing::AppendRecord(partial, slot, Bytes(3, 9));
  std::ofstream(dir / "BACKUP.BIN", std::ios::binary)
      .write(reinterpret_cast<const char*>(partial.data()),
             static_cast<std::streamsize>(partial.size()));
  host.confirmIncomplete = false;
  dlg.OnRestore();
  ASSERT_EQ(host.incompleteAsked.size(), 1u);
  EXPECT_EQ(host.incompleteAsked[0].path, (dir / "BACKUP.BIN").string());
  EXPECT_EQ(host.incompleteAsked[0].coverage.missing, (std::vector<uint16_t>{4, 8}));
  EXPECT_EQ(host.incompleteAsked[0].coverage.repeated, (std::vector<uint16_t>{3}));
  EXPECT_FALSE(peer.ReadFrame(100).has_value());
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(host.progressVisible);

  host.confirmIncomplete = true;
  dlg.OnRestore();
  EXPECT_EQ(host.incompleteAsked.size(), 2u);
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kRestore);
  EXPECT_EQ(GetU16(NextRequest(), kOffSlotNumber), 0);
  dlg.OnCommCancel();

  // Nine slots once each: nothing to ask.
  Bytes complete;
  for (uint16_t slot = 0; slot < kSlotCount; ++slot) testing::AppendRecord(complete, slot, {1});
  std::ofstream(dir / "whole.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(complete.data()),
             static_cast<std::streamsize>(complete.size()));
  dlg.OnRestoreFrom((dir / "whole.bin").string());
  EXPECT_EQ(host.incompleteAsked.size(), 2u);
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kRestore);
}

TEST_F(ControllerTest, CutOrEmptyBackupIsRefusedBeforeAnythingIsSent) {
  const fs::path cut = dir / "cut.bin";
  // One whole record, then a record whose data runs past the end.
  std::ofstream(cut, std::ios::binary).write("\0\2\0\1\xAA\0\3\0\x40\xBB", 10);
  std::ofstream(dir / "empty.bin");
  dlg.OnRestoreFrom(cut.string());
  dlg.OnRestoreFrom((dir / "empty.bin").string());
  ASSERT_EQ(host.messages.size(), 2u);
  for (const auto& m : host.messages) EXPECT_EQ(m.text, texts::kMsgBackupFileFailed);
  EXPECT_NE(host.messages[0].detail.find("runs past the end"), std::string::npos)
      << host.messages[0].detail;
  EXPECT_NE(host.messages[1].detail.find("empty"), std::string::npos) << host.messages[1].detail;
  EXPECT_EQ(dlg.Mode(), CUpgradeDlg::kIdle);
  EXPECT_FALSE(peer.ReadFrame(100).has_value());
}

TEST(BackupHistory, CopiesOfTheSameSecondNeverReplaceEachOther) {
  TempFolder scratch("q7310-history");
  const fs::path folder = scratch.Path() / "backups";
  const std::time_t when = 1796657415;  // any fixed moment
  std::string error;
  const std::string a = SaveHistoryCopy(folder.string(), Bytes{1}, when, &error);
  const std::string b = SaveHistoryCopy(folder.string(), Bytes{2}, when, &error);
  ASSERT_FALSE(a.empty()) << error;
  ASSERT_FALSE(b.empty()) << error;
  EXPECT_NE(a, b);
  EXPECT_EQ(fs::file_size(a), 1u);
  EXPECT_EQ(fs::path(a).filename(), HistoryFileName(when));
  // Written whole under a temporary name first; none is left behind.
  for (const auto& e : fs::directory_iterator(folder)) {
    EXPECT_EQ(e.path().extension(), ".BIN") << e.path();
  }
  // A folder that cannot be made (its parent is a file) is reported, not hidden.
  std::ofstream(folder / "file") << "x";
  EXPECT_TRUE(SaveHistoryCopy((folder / "file" / "sub").string(), Bytes{3}, when, &error).empty());
  EXPECT_FALSE(error.empty());
}

TEST(BackupHistory, OnlyTheNamesOfDatedCopiesCount) {
  for (const char* name : {"BACKUP-20261207-143015.BIN", "BACKUP-20261207-143015-2.BIN",
                           "BACKUP-20261207-143015-100.BIN"}) {
    EXPECT_TRUE(IsHistoryFileName(name)) << name;
  }
  for (const char* name : {"BACKUP.BIN", "BACKUP-20261207-143015.bin", "BACKUP-2026120-143015.BIN",
                           "BACKUP-20261207_143015.BIN", "BACKUP-20261207-143015-.BIN",
                           "BACKUP-20261207-143015-x.BIN", "BACKUP-20261207-143015-123456.BIN",
                           "BACKUP-20261207-143015.BIN.tmp-abc123", "backup-20261207-143015.BIN"}) {
    EXPECT_FALSE(IsHistoryFileName(name)) << name;
  }
}

// Guidance and port changes.

TEST(Guidance, EachStageEnablesOneButtonAndShowsItsTexts) {
  for (int stage : {0, 1, 2, 3, 7}) {
    SCOPED_TRACE(stage);
    const Guidance g = CUpgradeDlg::GuidanceFor(stage);
    EXPECT_EQ(g.backupEnabled, stage == 1);
    EXPECT_EQ(g.updateEnabled, stage == 2);
    EXPECT_EQ(g.restoreEnabled, stage == 3);
    EXPECT_EQ(g.settingEnabled, stage != 2 && stage != 3);
    EXPECT_EQ(g.cautionTitle.empty(), stage != 1);
    EXPECT_EQ(g.cautionText.empty(), stage != 1);
  }
  EXPECT_EQ(CUpgradeDlg::GuidanceFor(0).instructions,
            "Communication error ! \r\nCan not communicate with 7310 Series Amplifier.\r\n"
            "Check the communication settings and try again.");
  const std::string restore = CUpgradeDlg::GuidanceFor(3).instructions;
  EXPECT_EQ(std::count(restore.begin(), restore.end(), '\n'), 3);
}

TEST(StartUp, PortThatCannotOpenShowsThePortErrorAndStageZero) {
  CSerialPort serial;
  serial.SetDevicePath("/dev/q7310-no-such-device");
  CSettingsBackup backup;
  CFirmwareImage image;
  TestHost host;
  TempFolder folder("q7310-controller");
  CUpgradeDlg dlg(host, serial, backup, image, folder.Path().string());
  host.Attach(dlg);
  dlg.OnInitDialog(host);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, texts::kMsgPortError);
  EXPECT_EQ(dlg.Stage(), 0);

  // The same port number again does nothing; another one reopens.
  dlg.OnSetting();
  EXPECT_EQ(host.settingDialogRuns, 1);
  EXPECT_EQ(host.messages.size(), 1u);
  PtyPeer peer;
  serial.SetDevicePath(peer.DevicePath());
  host.nextPortChoice = 2;
  dlg.OnSetting();
  EXPECT_EQ(dlg.PortNo(), 2);
  EXPECT_EQ(dlg.Stage(), 1);
  dlg.OnDestroy(true);
}

}  // namespace
}  // namespace q7310
