#include "app/upgrade_dlg.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "app/app_paths.h"
#include "app/device_text.h"
#include "app/file_checks.h"
#include "app/no_reply.h"
#include "app/numbered_format.h"
#include "app/present_ports.h"
#include "app/texts.h"
#include "backup/backup_file_info.h"
#include "backup/backup_history.h"
#include "backup/settings_backup.h"
#include "firmware/firmware_image.h"
#include "protocol/command_table.h"
#include "protocol/frames.h"
#include "serial/envelope.h"
#include "serial/port_list.h"
#include "serial/serial_port.h"
#include "util/input_file.h"
#include "util/utf8_path.h"

namespace q7310 {
namespace {

// printf-style formatting of the controller's progress texts.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[160];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

std::string JoinLines(std::span<const std::string_view> lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += texts::kGuideLineSeparator;
    text += lines[i];
  }
  return text;
}

std::string LoadErrorDetail(const CFirmwareImage::LoadError& error) {
  if (error.line == 0) return error.reason;
  return "line " + std::to_string(error.line) + ": " + error.reason;
}

int PercentOf(uint64_t done, uint64_t total) {
  return total == 0 ? 0 : static_cast<int>(done * 100u / total);
}

}  // namespace

CUpgradeDlg::CUpgradeDlg(IUpgradeHost& host, CSerialPort& serial, CSettingsBackup& backup,
                         CFirmwareImage& image, std::string appFolder)
    : m_host(host),
      m_serial(serial),
      m_backup(backup),
      m_image(image),
      m_appFolder(appFolder.empty() ? ProgramFolder() : std::move(appFolder)),
      m_listPorts(PresentPorts) {}

// ---------------------------------------------------------------------------------------------
// Start-up, port, guidance, shut-down

void CUpgradeDlg::OnInitDialog(IFrameReceiver& receiver, int portNo) {
  m_mode = kIdle;
  m_retryCount = 0;
  m_portNo = portNo;
  m_baudRate = static_cast<int>(kBaudRate);
  m_serial.SetOwner(&receiver);
  OpenPortAndGuide();
}

void CUpgradeDlg::OpenPortAndGuide() {
  if (OpenPort(m_portNo, m_baudRate) == 1) {
    SetGuidance(kStageBackup);
  } else {
    m_host.ShowMessage(MessageKind::Error, texts::kMsgPortError, PortErrorDetail());
    SetGuidance(kStageError);
  }
}

std::string CUpgradeDlg::PortErrorDetail() const {
  return m_serial.LastErrorDetail() + "\n" + DescribePorts(ListPorts());
}

PortName CUpgradeDlg::PortInUse() const {
  const std::string& device = m_serial.ExplicitDevicePath();
  return device.empty() ? PortName{m_portNo, {}} : PortName{0, device};
}

int CUpgradeDlg::OpenPort(int portNo, int baudRate) {
  m_serial.SetPortNumber(static_cast<unsigned>(portNo));
  m_serial.SetBaudRate(static_cast<unsigned>(baudRate));
  m_serial.Disconnect();
  return m_serial.Connect();
}

void CUpgradeDlg::OnSetting() {
  if (m_mode != kIdle) return;
  const int chosen = m_host.RunSettingDialog(m_portNo, m_baudRate);
  if (chosen == m_portNo) return;
  m_portNo = chosen;
  OpenPortAndGuide();
}

Guidance CUpgradeDlg::GuidanceFor(int stage) {
  Guidance g;
  switch (stage) {
    case kStageBackup:
      g.stage = kStageBackup;
      g.backupEnabled = true;
      g.settingEnabled = true;
      g.instructions = JoinLines(texts::kGuideStage1);
      g.cautionTitle = texts::kCautionTitle;
      g.cautionText = texts::kMainCaution;
      break;
    case kStageUpdate:
      g.stage = kStageUpdate;
      g.updateEnabled = true;
      g.settingEnabled = false;
      g.instructions = JoinLines(texts::kGuideStage2);
      break;
    case kStageRestore:
      g.stage = kStageRestore;
      g.restoreEnabled = true;
      g.settingEnabled = false;
      g.instructions = JoinLines(texts::kGuideStage3);
      break;
    default:
      g.stage = kStageError;
      g.settingEnabled = true;
      g.instructions = JoinLines(texts::kGuideStage0);
      break;
  }
  return g;
}

void CUpgradeDlg::SetGuidance(int stage) {
  const Guidance g = GuidanceFor(stage);
  m_stage = g.stage;
  m_host.ApplyGuidance(g);
}

std::string CUpgradeDlg::GetAppFilePath(std::string_view name) const {
  return JoinPath(m_appFolder, name);
}

std::string CUpgradeDlg::HistoryFolder() const {
  return GetAppFilePath(kHistoryFolder);
}

std::string CUpgradeDlg::VerifySource() const {
  return m_restoreSource.empty() ? GetAppFilePath(texts::kBackupFile) : m_restoreSource;
}

std::vector<std::string> CUpgradeDlg::OnDestroy(bool keepFiles) {
  m_serial.Disconnect();
  // Deleting the only copy of the settings a backup read would lose them for good.
  m_keptAtExit = m_wroteBackup ? BackupWithoutCopy() : KeptBackup{};
  std::vector<std::string> undeleted;
  if (keepFiles) return undeleted;
  const std::pair<std::string_view, bool> files[] = {
      {texts::kBackupFile, m_wroteBackup && !m_keptAtExit.Kept()},
      {texts::kUpdateFile, m_wroteUpdate}};
  for (const auto& [name, wroteIt] : files) {
    if (!wroteIt) continue;
    const std::string path = GetAppFilePath(name);
    std::error_code ec;
    if (std::filesystem::exists(Utf8Path(path), ec) &&
        !std::filesystem::remove(Utf8Path(path), ec)) {
      undeleted.push_back(path);
    }
  }
  return undeleted;
}

KeptBackup CUpgradeDlg::BackupWithoutCopy() const {
  const std::string path = GetAppFilePath(texts::kBackupFile);
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadInputFile(path, CSettingsBackup::kBufferSize, bytes, &error)) {
    // Gone already: nothing to keep. Anything else under the name cannot be compared, so it
    // stays.
    std::error_code ec;
    if (std::filesystem::symlink_status(Utf8Path(path), ec).type() ==
        std::filesystem::file_type::not_found) {
      return {};
    }
    return {path, FormatNumbered(texts::kFmtNotComparedWithCopies, {error})};
  }
  if (!FindHistoryCopyHolding(HistoryFolder(), bytes, m_backupCopy).empty()) return {};
  return {path, m_backupCopyError.empty()
                    ? FormatNumbered(texts::kFmtNoCopyHoldsIt, {HistoryFolder()})
                    : FormatNumbered(texts::kFmtNoCopyCouldBeKept, {m_backupCopyError})};
}

void CUpgradeDlg::TellWhereSettingsAre(bool failed) {
  if (!m_wroteBackup) return;
  // Without a dated copy, BACKUP.BIN is where they are: the end of the run keeps it.
  const bool dated = !m_backupCopy.empty();
  const std::string path = dated ? m_backupCopy : GetAppFilePath(texts::kBackupFile);
  m_host.OnSettingsToRestore(NoteWhereSettingsAre(path, dated, m_host.HowToRestore(path)), failed);
}

// ---------------------------------------------------------------------------------------------
// Frame builders

std::span<const uint8_t> CUpgradeDlg::LastFrame() const {
  return m_sender.LastFrame();
}

void CUpgradeDlg::SendFrame(const uint8_t* frame, unsigned length) {
  m_sender.Send({frame, length});
}

void CUpgradeDlg::SendFrame(std::span<const uint8_t> frame) {
  m_sender.Send(frame);
}

void CUpgradeDlg::SendReadSlot(uint16_t slotNo) {
  SendFrame(BuildReadSlot({slotNo}));
}

void CUpgradeDlg::SendWriteSlot(uint16_t control, uint16_t blockNo, uint16_t slotNo,
                                const uint8_t* data, uint16_t length) {
  // The control word is the status byte and the end-of-slot flag, low byte first.
  SendFrame(BuildWriteSlot({static_cast<uint8_t>(control),
                            static_cast<uint8_t>(control >> 8),
                            blockNo,
                            slotNo,
                            {data, std::min<size_t>(length, kMaxWriteSlotData)}}));
}

void CUpgradeDlg::SendUpdateStart(uint32_t startAddress, uint32_t imageSize, uint32_t imageSum) {
  SendFrame(BuildUpdateStart({startAddress, imageSize, imageSum}));
}

void CUpgradeDlg::SendUpdateData(uint16_t blockIndex, const uint8_t* data, uint16_t length) {
  SendFrame(BuildUpdateData({blockIndex, {data, std::min<size_t>(length, kMaxUpdateBlock)}}));
}

// ---------------------------------------------------------------------------------------------
// Starting and ending an operation

void CUpgradeDlg::StartReplyTimer() {
  m_host.SetTimer(kReplyTimerId, m_replyTimeoutMs);
}

void CUpgradeDlg::StopReplyTimer() {
  m_host.KillTimer(kReplyTimerId);
}

void CUpgradeDlg::ReportProgress(std::string_view text) {
  m_host.SetProgressMessage(text);
}

void CUpgradeDlg::BeginOperation(int mode, std::string_view title) {
  m_mode = mode;
  m_host.SetProgressTitle(title);
  // The percentage first, so that the first message line already carries it.
  m_host.SetProgressPercent(0);
  m_host.SetProgressMessage(texts::kCommunicating);
  m_host.ShowProgress(true);
}

int CUpgradeDlg::EndOperation(int result, std::string_view failure, std::string_view detail) {
  // An update or a restore that did not succeed may have left the amplifier without its
  // settings.
  const bool settingsAtRisk = m_mode == kUpdate || m_mode == kRestore;
  m_mode = kIdle;
  if (result != kSucceeded && settingsAtRisk) TellWhereSettingsAre(!failure.empty());
  StopReplyTimer();
  m_image.CloseStagedImage();  // harmless when no update holds it open
  if (!failure.empty()) m_host.ShowMessage(MessageKind::Error, failure, detail);
  m_host.ShowProgress(false);
  return result;
}

int CUpgradeDlg::FinishBackup() {
  std::string writeError;
  if (!m_backup.ConvertAndSave(GetAppFilePath(texts::kBackupFile), &writeError)) {
    // The folder's own problem says most; else the write's reason, which names the file (a
    // full disk, say).
    std::string detail = FolderProblem(m_appFolder, true);
    if (detail.empty()) detail = writeError.empty() ? texts::kDetailConvertSave : writeError;
    return EndOperation(kFailed, texts::kMsgConvertFailed, detail);
  }
  m_wroteBackup = true;
  KeepHistoryCopy();
  EndOperation(kSucceeded);
  SetGuidance(kStageUpdate);
  return kSucceeded;
}

void CUpgradeDlg::KeepHistoryCopy() {
  std::string error;
  const std::string path =
      SaveHistoryCopy(HistoryFolder(), {m_backup.Converted(), m_backup.ConvertedLength()},
                      std::time(nullptr), &error);
  m_backupCopy = path;
  m_backupCopyError = error;
  m_host.OnBackupKept(path, error);
}

int CUpgradeDlg::FinishUpdate() {
  EndOperation(kSucceeded);
  SetGuidance(kStageRestore);
  return kSucceeded;
}

int CUpgradeDlg::FinishRestore() {
  EndOperation(kSucceeded);
  const bool verify = m_host.ShowRestoreComplete(texts::kMsgComplete);
  SetGuidance(kStageBackup);
  if (verify) OnVerifyFrom(m_restoreSource);
  return kSucceeded;
}

int CUpgradeDlg::FinishVerify() {
  m_comparison =
      CompareSlotRecords(m_verifyExpected, {m_readBack.Records(), m_readBack.RecordsEnd()});
  const bool equal = m_comparison.Equal();
  EndOperation(equal ? kSucceeded : kFailed);
  const std::string detail = DescribeComparison(m_comparison) + "\ncompared with " + m_verifySource;
  m_host.ShowMessage(equal ? MessageKind::Complete : MessageKind::Error,
                     equal ? texts::kMsgVerifyEqual : texts::kMsgVerifyDiffer, detail);
  return equal ? kSucceeded : kFailed;
}

// ---------------------------------------------------------------------------------------------
// The operations' first requests

void CUpgradeDlg::OnBackup() {
  if (m_mode != kIdle) return;
  m_backup.Clear();
  StartReadingSlots({kBackup, texts::kTitleBackup, texts::kMsgBackupFailed, &m_backup});
}

void CUpgradeDlg::StartReadingSlots(const SlotReading& reading) {
  m_reading = reading;
  BeginOperation(reading.mode, reading.title);
  m_slotNo = 0;
  SendReadSlot(0);
  StartReplyTimer();
}

void CUpgradeDlg::OnUpdate() {
  if (m_mode != kIdle) return;
  m_image.Clear();
  const std::string motPath = GetAppFilePath(texts::kFirmwareFile);
  m_image.RefuseSimulatorSample(!m_allowSample);
  if (!m_image.LoadMotFile(motPath, GetAppFilePath(texts::kUpdateFile))) {
    TellWhereSettingsAre(true);
    if (m_image.LastError().fault == LoadFault::kSimulatorSample) {
      m_host.ShowMessage(
          MessageKind::Error, texts::kMsgSampleFirmware,
          FormatNumbered(texts::kFmtSampleFirmwareRefused,
                         {NativePath(motPath), NativePath(m_appFolder), texts::kFirmwareFile}));
      return;
    }
    m_host.ShowMessage(
        MessageKind::Error, texts::kMsgMotReadFailed,
        MotFailureDetail(motPath) + MissingFirmwareHint(m_appFolder, ProgramFolder()));
    return;
  }
  m_wroteUpdate = true;
  m_bytesSent = 0;
  BeginOperation(kUpdate, texts::kTitleUpdate);
  if (!m_image.OpenStagedImage(GetAppFilePath(texts::kUpdateFile))) {
    // Nothing is pending yet: back to idle at once rather than leave the operator a progress
    // dialog whose only way out is Cancel.
    EndOperation(kFailed, texts::kMsgUpdateFileFailed);
    return;
  }
  SendUpdateStart(m_image.GetStartAddress(), m_image.GetImageSize(), m_image.GetImageSum());
  StartReplyTimer();
}

std::string CUpgradeDlg::MotFailureDetail(const std::string& motPath) const {
  // A file that is not there at all is most often one looked for in the wrong folder.
  const std::string problem = ReadProblem(motPath);
  if (problem.empty()) return LoadErrorDetail(m_image.LastError());
  return problem + " (" + std::string(texts::kDetailDirHint) + " " + m_appFolder + ")";
}

void CUpgradeDlg::OnRestore() {
  OnRestoreFrom(GetAppFilePath(texts::kBackupFile));
}

void CUpgradeDlg::OnRestoreFrom(const std::string& path) {
  if (m_mode != kIdle) return;
  m_backup.Clear();
  if (!m_backup.LoadBackup(path)) {
    TellWhereSettingsAre(true);
    m_host.ShowMessage(MessageKind::Error, texts::kMsgBackupFileFailed, BackupFileDetail(path));
    return;
  }
  if (!ConfirmSlotCoverage(path)) {
    m_backup.Clear();
    TellWhereSettingsAre(false);
    return;
  }
  m_restoreSource = path;
  BeginOperation(kRestore, texts::kTitleRestore);
  uint16_t slotNo = 0;
  if (!SendNextRestoreBlock(slotNo)) {
    EndOperation(kFailed, texts::kMsgBackupFileFailed, texts::kDetailNotSlotRecords);
    return;
  }
  StartReplyTimer();
}

bool CUpgradeDlg::ConfirmSlotCoverage(const std::string& path) {
  // Any number of whole records is restored; one that a backup never writes is restored
  // knowingly.
  const SlotCoverage coverage =
      CoverSlots(InspectBackupBytes({m_backup.Records(), m_backup.RecordsEnd()}).records);
  return coverage.Complete() || m_host.ConfirmIncompleteBackup(path, coverage);
}

std::string CUpgradeDlg::BackupFileDetail(const std::string& path) const {
  // Why the file cannot be read at all, else what is wrong inside it: checked as a whole, a
  // damaged file is refused before anything is written to the amplifier.
  std::string detail = ReadProblem(path, CSettingsBackup::kBufferSize);
  if (detail.empty()) return path + ": " + m_backup.LoadError();
  // No BACKUP.BIN, and no backup of this run to name instead: the newest saved one may be what
  // the operator is looking for.
  std::error_code ec;
  if (!m_wroteBackup && path == GetAppFilePath(texts::kBackupFile) &&
      std::filesystem::symlink_status(Utf8Path(path), ec).type() ==
          std::filesystem::file_type::not_found) {
    const std::string newest = NewestHistoryCopy(HistoryFolder());
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "\n" + std::string.
    if (!newest.empty()) {
      detail.append("\n").append(NewestCopyText(newest, m_host.HowToRestore(newest)));
    }
  }
  return detail;
}

void CUpgradeDlg::OnVerifyFrom(const std::string& path) {
  if (m_mode != kIdle) return;
  // The file is checked whole before anything is sent, as a restore checks it.
  const BackupFileInfo info = InspectBackupFile(path);
  std::vector<uint8_t> expected(CSettingsBackup::kBufferSize);
  uint32_t length = 0;
  if (info.problem != BackupFileProblem::kNone ||
      !CSettingsBackup::ReadWholeFile(path, expected.data(), &length)) {
    m_host.ShowMessage(MessageKind::Error, texts::kMsgBackupFileFailed,
                       path + ": " + DescribeProblem(info));
    return;
  }
  expected.resize(length);
  m_verifyExpected = std::move(expected);
  m_verifySource = path;
  m_comparison = {};
  m_readBack.Clear();
  StartReadingSlots({kVerify, texts::kTitleVerify, texts::kMsgVerifyReadFailed, &m_readBack});
}

bool CUpgradeDlg::SendNextRestoreBlock(uint16_t& slotNo) {
  uint16_t control = 0;
  uint16_t blockNo = 0;
  uint16_t length = 0;
  uint8_t data[kRestoreBlockSize];
  if (!m_backup.GetNextBlock(control, blockNo, slotNo, data, length)) return false;
  SendWriteSlot(control, blockNo, slotNo, data, length);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Received frames

std::string_view CUpgradeDlg::DropReason(uint32_t status, std::span<const uint8_t> frame) {
  // A damaged frame may hold cut-off or changed bytes; acting on it could put wrong settings
  // into BACKUP.BIN. The reply timer resends the request instead.
  if (status & (RXERR_CHECKSUM | RXERR_FRAMING)) return "damaged frame";
  // A record shorter than its handler reads: the command table says how short is too short.
  return ShortFrameReason(frame);
}

int CUpgradeDlg::OnFrameReceived(uint32_t status, std::span<const uint8_t> frame) {
  if (const std::string_view reason = DropReason(status, frame); !reason.empty()) {
    m_host.OnProtocolEvent(ProtocolEvent::DroppedFrame, reason);
    return 1;
  }
  // Each handler decides alone, the next guidance stage included.
  switch (const uint16_t command = GetU16(frame, kOffCommand)) {
    case CMD_UPDATE_REPLY:
      OnUpdateReply(frame);
      break;
    case CMD_DEVICE_MESSAGE:
      OnDeviceMessage(frame);
      break;
    case CMD_READ_SLOT_REPLY:
      OnReadSlotReply(frame);
      break;
    case CMD_WRITE_SLOT_REPLY:
      OnWriteSlotReply(frame);
      break;
    default:
      m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, CommandName(command));
      break;
  }
  return 1;
}

bool CUpgradeDlg::Expecting(uint16_t command, bool expected) {
  if (!expected) m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, CommandName(command));
  return expected;
}

int CUpgradeDlg::OnReadSlotReply(std::span<const uint8_t> frame) {
  if (!Expecting(CMD_READ_SLOT_REPLY, m_mode == kBackup || m_mode == kVerify)) {
    return kNothingDecided;
  }
  // The short-frame check has let through only records that hold every byte their length field
  // counts up to the largest reply; what the parser still refuses is a longer length field.
  const std::optional<SlotBlock> reply = ParseReadSlotReply(frame);
  if (!reply) {
    m_host.OnProtocolEvent(
        ProtocolEvent::IgnoredFrame,
        "slot reply longer than " + std::to_string(kMaxReadSlotFrame) + " bytes");
    return kNothingDecided;
  }
  // A failure ends the reading whatever slot the reply names: the amplifier will send nothing
  // more, and waiting for the reply to the current request would only end in a time-out.
  if (reply->status != 0) return EndOperation(kFailed, m_reading.failure);
  if (reply->slot != m_slotNo) {
    // A late answer to a request that was resent: taking it for the slot now being read would
    // store one slot twice and lose the last one. The reply to the current request is still due.
    m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, "slot reply for another slot");
    return kNothingDecided;
  }
  StopReplyTimer();
  if (!m_reading.store->StoreBlock(reply->Control(), reply->block, reply->slot, reply->data.data(),
                                   static_cast<uint16_t>(reply->data.size()))) {
    return EndOperation(kFailed, m_reading.failure, texts::kDetailSlotDataMisfit);
  }
  if (reply->endOfSlot != 0) return NextSlot();
  // The amplifier sends the slot's next block by itself.
  StartReplyTimer();
  return kNothingDecided;
}

int CUpgradeDlg::NextSlot() {
  ++m_slotNo;
  if (m_slotNo < kSlotCount) {
    SendReadSlot(m_slotNo);
    StartReplyTimer();
    m_host.SetProgressPercent(PercentOf(m_slotNo, kSlotCount));
    ReportProgress(Format(texts::kFmtReadingSlot, static_cast<int>(m_slotNo)));
    return kNothingDecided;
  }
  m_host.SetProgressPercent(100);
  return m_reading.mode == kVerify ? FinishVerify() : FinishBackup();
}

int CUpgradeDlg::OnUpdateReply(std::span<const uint8_t> frame) {
  if (!Expecting(CMD_UPDATE_REPLY, m_mode == kUpdate)) return kNothingDecided;
  // The short-frame check has made sure that the status field is there.
  const bool ok = ParseUpdateReply(frame).value().status == kUpdateStatusOk;
  if (m_sender.AwaitingLateReplies()) return OnLateReply(ok, texts::kMsgUpdateFailed);
  StopReplyTimer();
  if (!ok) return EndOperation(kFailed, texts::kMsgUpdateFailed);
  if (!m_image.HasNextBlock()) return FinishUpdate();
  if (HoldForLateReplies()) return kNothingDecided;
  return SendNextUpdateBlock();
}

int CUpgradeDlg::SendNextUpdateBlock() {
  // The index is taken before the read, so the frame carries the index of the block it holds.
  const uint16_t index = m_image.GetBlockIndex();
  uint8_t block[kMaxUpdateBlock];
  const uint16_t n = m_image.ReadNextBlock(block);
  if (n == 0) {
    return EndOperation(kFailed, texts::kMsgUpdateFileFailed, texts::kDetailImageChangedOnDisk);
  }
  SendUpdateData(index, block, n);
  StartReplyTimer();
  m_bytesSent += n;
  const uint32_t size = m_image.GetImageSize();
  const uint32_t percent = m_bytesSent * 100u / size;
  m_host.SetProgressPercent(static_cast<int>(percent));
  ReportProgress(Format(texts::kFmtTransmitted, static_cast<int>(percent),
                        static_cast<int>(m_bytesSent), static_cast<int>(size)));
  return kNothingDecided;
}

int CUpgradeDlg::OnDeviceMessage(std::span<const uint8_t> frame) {
  if (!Expecting(CMD_DEVICE_MESSAGE, m_mode == kUpdate)) return kNothingDecided;
  // The short-frame check has made sure that the record holds every byte its length counts.
  const DeviceMessage message = ParseDeviceMessage(frame).value();
  // An overlong text shows its first 128 bytes; the text ends at its first zero byte.
  const std::string text =
      DecodeDeviceText(message.text.first(std::min(message.text.size(), kMaxDeviceText)));
  if (message.status != kUpdateStatusOk) {
    return EndOperation(
        kFailed, texts::kMsgUpdateFailed,
        text.empty() ? std::string() : std::string(texts::kDetailDeviceSaid) + ": " + text);
  }
  ReportProgress(text);
  return kNothingDecided;
}

int CUpgradeDlg::OnWriteSlotReply(std::span<const uint8_t> frame) {
  if (!Expecting(CMD_WRITE_SLOT_REPLY, m_mode == kRestore)) return kNothingDecided;
  // The short-frame check has made sure that the status field is there.
  const bool ok = ParseWriteSlotReply(frame).value().status == 0;
  if (m_sender.AwaitingLateReplies()) return OnLateReply(ok, texts::kMsgRestoreFailed);
  StopReplyTimer();
  if (!ok) return EndOperation(kFailed, texts::kMsgRestoreFailed);
  if (!m_backup.HasNextBlock()) return FinishRestore();
  if (HoldForLateReplies()) return kNothingDecided;
  return SendNextRestoreRequest();
}

int CUpgradeDlg::SendNextRestoreRequest() {
  uint16_t slotNo = 0;
  if (!SendNextRestoreBlock(slotNo)) {
    return EndOperation(kFailed, texts::kMsgBackupFileFailed, texts::kDetailRecordPastEnd);
  }
  StartReplyTimer();
  m_host.SetProgressPercent(PercentOf(m_backup.Cursor(), m_backup.RecordsEnd()));
  ReportProgress(Format(texts::kFmtWritingSlot, static_cast<int>(slotNo)));
  return kNothingDecided;
}

// ---------------------------------------------------------------------------------------------
// Late replies

int CUpgradeDlg::SendNextRequest() {
  if (m_mode == kUpdate) return SendNextUpdateBlock();
  if (m_mode == kRestore) return SendNextRestoreRequest();
  return kNothingDecided;
}

bool CUpgradeDlg::HoldForLateReplies() {
  if (!m_sender.HoldForLateReplies()) return false;
  StartReplyTimer();  // measures the silence that ends the wait
  return true;
}

int CUpgradeDlg::OnLateReply(bool ok, std::string_view failure) {
  // A copy that failed is the amplifier refusing the request all the same.
  if (!ok) return EndOperation(kFailed, failure);
  m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, "late reply to a resent request");
  if (!m_sender.TakeLateReply()) return kNothingDecided;
  StopReplyTimer();
  return SendNextRequest();
}

// ---------------------------------------------------------------------------------------------
// Timer and cancel

void CUpgradeDlg::OnTimer(unsigned id) {
  if (id != kReplyTimerId) return;
  switch (m_sender.OnExpiry()) {
    case RequestSender::Expiry::kLateRepliesMissed:
      SendNextRequest();
      return;
    case RequestSender::Expiry::kResend: {
      const std::string_view command = CommandName(m_sender.LastCommand());
      m_host.OnProtocolEvent(ProtocolEvent::Resend, command);
      // The count runs from start-up or the last give-up, so "(2 of 3)" may come first.
      m_host.OnResend({command, m_retryCount, static_cast<int>(kMaxResends), m_replyTimeoutMs,
                       ResendText(m_retryCount, static_cast<int>(kMaxResends), m_replyTimeoutMs)});
      m_sender.Resend();
      return;  // the timer keeps running: the next time-out follows one period later
    }
    case RequestSender::Expiry::kGiveUp:
      GiveUp();
      return;
  }
}

void CUpgradeDlg::GiveUp() {
  m_host.OnProtocolEvent(ProtocolEvent::GiveUp, CommandName(m_sender.LastCommand()));
  NoReplyFacts facts;
  facts.mode = m_mode;
  // A line that hung up looks like a silent amplifier; the failed writes tell the two apart.
  if (m_serial.LastError() != SerialError::None) facts.writeFailure = m_serial.LastErrorDetail();
  facts.port = PortInUse();
  facts.present = ListPorts();
  EndOperation(kFailed, texts::kMsgNoReply, NoReplyDetail(facts));
}

int CUpgradeDlg::OnCommCancel() {
  EndOperation(kNothingDecided);
  return 1;
}

}  // namespace q7310
