// Fuzz target: the controller's frame dispatch (CUpgradeDlg::OnFrameReceived) on arbitrary
// records, in every mode.
//
// Input layout:
//   byte 0      mode: 0 idle, 1 backup, 2 update, 3 restore (taken modulo 4)
//   bytes 1..4  status word of the records (big-endian), before the damage bits are masked in
//   then records, each: a 2-byte big-endian header, then that many bytes (cut at the input's end)
//     header bits 0..8   record length (modulo 321, the assembler's largest frame plus one)
//     header bit 15      the reply timer expires before this record
//     header bit 14      the record carries the status word (otherwise status 0)
//
// The serial port stays closed (no owner), so every send goes nowhere. The scratch folder holds
// a small firmware file and a converted BACKUP.BIN, so OnUpdate and OnRestore start for real.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/texts.h"
#include "app/upgrade_dlg.h"
#include "app/upgrade_host.h"
#include "backup/sample_settings.h"
#include "backup/settings_backup.h"
#include "firmware/firmware_image.h"
#include "fuzz_support.h"
#include "protocol/protocol.h"
#include "serial/serial_port.h"
#include "support/converted_settings.h"
#include "support/srecord.h"

namespace {

using namespace q7310;

constexpr size_t kModeBytes = 1;
constexpr size_t kStatusBytes = 4;
constexpr size_t kRecordHeaderBytes = 2;
constexpr uint16_t kLengthMask = 0x1FF;
constexpr uint16_t kLengthModulo = 321;
constexpr uint16_t kTimerBit = 0x8000;
constexpr uint16_t kStatusBit = 0x4000;
constexpr uint32_t kMotStartAddress = 0x1000;
constexpr size_t kMotRecordBytes = 32;
constexpr size_t kMotRecords = 10;  // 320 image bytes: three update blocks, the last one short

// A host that does nothing: the fuzzer looks for crashes and undefined behaviour only.
class NullHost final : public IUpgradeHost {
 public:
  void SetTimer(unsigned, unsigned) override {}
  void KillTimer(unsigned) override {}
  void ShowMessage(MessageKind, std::string_view, std::string_view) override {}
  void SetProgressTitle(std::string_view) override {}
  void SetProgressMessage(std::string_view) override {}
  void SetProgressPercent(int) override {}
  void ShowProgress(bool) override {}
  void ApplyGuidance(const Guidance&) override {}
  int RunSettingDialog(int portNo, int) override { return portNo; }
};

// A small, well-formed firmware file: header, S1 data records, terminator.
void WriteSmallFirmware(const std::string& path) {
  using testing::SRecordLine;
  constexpr const char* kLineEnd = "\r\n";
  const uint8_t header[] = {'f', 'u', 'z', 'z'};
  std::string text = SRecordLine('0', 0, header) + kLineEnd;
  uint8_t data[kMotRecordBytes];
  for (size_t r = 0; r < kMotRecords; ++r) {
    for (size_t i = 0; i < kMotRecordBytes; ++i) data[i] = static_cast<uint8_t>(r * 7 + i);
    text += SRecordLine('1', static_cast<uint32_t>(kMotStartAddress + r * kMotRecordBytes), data) +
            kLineEnd;
  }
  text += SRecordLine('9', kMotStartAddress) + kLineEnd;
  fuzz::WriteFileOrDie(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// BACKUP.BIN as a good backup leaves it: the sample settings stored and converted.
void WriteBackup(CSettingsBackup& backup, const std::string& path) {
  if (!testing::SaveConvertedSettings(backup, MakeSampleRawSettings(1, 7), path)) std::abort();
}

// What lives across inputs: the stores (large buffers, allocated once) and the files. Each input
// gets a fresh controller, so no retry count or mode leaks from one input into the next.
struct World {
  NullHost host;
  CSerialPort serial;
  CSettingsBackup backup;
  CFirmwareImage image;
  std::vector<uint8_t> goodBackup;

  World() {
    WriteSmallFirmware(fuzz::ScratchPath(texts::kFirmwareFile.data()));
    WriteBackup(backup, fuzz::ScratchPath(texts::kBackupFile.data()));
    goodBackup.assign(backup.Converted(), backup.Converted() + backup.ConvertedLength());
  }
};

World& TheWorld() {
  static World world;
  return world;
}

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kModeBytes + kStatusBytes) return 0;
  World& w = TheWorld();
  CUpgradeDlg dlg(w.host, w.serial, w.backup, w.image, fuzz::ScratchFolder());
  switch (data[0] % 4) {
    case CUpgradeDlg::kBackup:
      dlg.OnBackup();
      break;
    case CUpgradeDlg::kUpdate:
      dlg.OnUpdate();
      break;
    case CUpgradeDlg::kRestore:
      // A backup completed by an earlier input may have replaced the file.
      fuzz::WriteFileOrDie(fuzz::ScratchPath(texts::kBackupFile.data()), w.goodBackup.data(),
                           w.goodBackup.size());
      dlg.OnRestore();
      break;
    default:
      break;
  }
  const uint32_t status = BigEndian32(data + kModeBytes);
  size_t pos = kModeBytes + kStatusBytes;
  while (pos + kRecordHeaderBytes <= size) {
    const auto header = static_cast<uint16_t>((data[pos] << 8) | data[pos + 1]);
    pos += kRecordHeaderBytes;
    const size_t wanted = (header & kLengthMask) % kLengthModulo;
    const size_t length = std::min(wanted, size - pos);
    // A copy of exactly the record's size, so that a read past its end is caught.
    const std::vector<uint8_t> frame(data + pos, data + pos + length);
    if (header & kTimerBit) dlg.OnTimer(kReplyTimerId);
    dlg.OnFrameReceived(header & kStatusBit ? status : 0, frame);
    pos += length;
  }
  dlg.OnCommCancel();  // closes a staged image left open
  return 0;
}
