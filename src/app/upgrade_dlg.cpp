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
      m_appFolder(appFolder.empty() ? ProgramFolder() : std::move(appFolder)) {}

// ---------------------------------------------------------------------------------------------
// Start-up, port, guidance, shut-down

void CUpgradeDlg::OnInitDialog(IFrameReceiver& receiver, int portNo) {
  m_mode = kIdle;
  m_retryCount = 0;
  m_portNo = portNo;
  m_baudRate = static_cast<int>(kBaudRate);
  m_serial.SetOwner(&receiver);
  if (OpenPort(m_portNo, m_baudRate) == 1) {
    SetGuidance(kStageBackup);
  } else {
    m_host.ShowMessage(MessageKind::Error, texts::kMsgPortError, PortErrorDetail());
    SetGuidance(kStageError);
  }
}

std::string CUpgradeDlg::PortErrorDetail() const {
  return m_serial.LastErrorDetail() + "\n" + DescribePorts(ListSerialPorts());
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
  if (OpenPort(m_portNo, m_baudRate) == 1) {
    SetGuidance(kStageBackup);
  } else {
    m_host.ShowMessage(MessageKind::Error, texts::kMsgPortError, PortErrorDetail());
    SetGuidance(kStageError);
  }
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

std::vector<std::string> CUpgradeDlg::OnDestroy(bool keepFiles) {
  m_serial.Disconnect();
  std::vector<std::string> undeleted;
  if (keepFiles) return undeleted;
  const std::pair<std::string_view, bool> files[] = {{texts::kBackupFile, m_wroteBackup},
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

// ---------------------------------------------------------------------------------------------
// Frame builders

std::span<const uint8_t> CUpgradeDlg::LastFrame() const {
  const size_t length = std::min<size_t>(GetU16(m_lastFrame, kOffLength), m_lastFrame.size());
  return {m_lastFrame.data(), length};
}

void CUpgradeDlg::SendFrame(const uint8_t* frame, unsigned length) {
  length = std::min<unsigned>(length, kLastFrameSize);
  std::copy_n(frame, length, m_lastFrame.begin());
  m_resentCopies = 0;
  m_lateRepliesDue = 0;
  // A frame that did not get out is left to the reply timer, which resends it.
  m_serial.TransmitFrame(m_lastFrame.data(), length);
}

void CUpgradeDlg::SendFrame(std::span<const uint8_t> frame) {
  SendFrame(frame.data(), static_cast<unsigned>(frame.size()));
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
// Operations

void CUpgradeDlg::StartReplyTimer() {
  m_host.SetTimer(kReplyTimerId, m_replyTimeoutMs);
}
void CUpgradeDlg::StopReplyTimer() {
  m_host.KillTimer(kReplyTimerId);
}

void CUpgradeDlg::ReportProgress(std::string_view text) {
  m_host.SetProgressMessage(text);
}

int CUpgradeDlg::EndWithMessage(std::string_view text, std::string_view detail) {
  const bool inUpdate = m_mode == kUpdate;
  m_mode = kIdle;
  // Stopped before the message box opens: a modal box runs a nested event loop in which a
  // running timer would still fire.
  StopReplyTimer();
  if (inUpdate) m_image.CloseStagedImage();
  m_host.ShowMessage(MessageKind::Error, text, detail);
  m_host.ShowProgress(false);
  return kFailed;
}

void CUpgradeDlg::OnBackup() {
  if (m_mode != kIdle) return;
  m_backup.Clear();
  StartReadingSlots(kBackup, texts::kTitleBackup);
}

void CUpgradeDlg::StartReadingSlots(int mode, std::string_view title) {
  m_mode = mode;
  m_host.SetProgressTitle(title);
  // The percentage first, so that the first message line already carries it.
  m_host.SetProgressPercent(0);
  m_host.SetProgressMessage(texts::kCommunicating);
  m_host.ShowProgress(true);
  m_slotNo = 0;
  SendReadSlot(0);
  StartReplyTimer();
}

void CUpgradeDlg::OnUpdate() {
  if (m_mode != kIdle) return;
  m_image.Clear();
  const std::string motPath = GetAppFilePath(texts::kFirmwareFile);
  if (!m_image.LoadMotFile(motPath, GetAppFilePath(texts::kUpdateFile))) {
    m_host.ShowMessage(
        MessageKind::Error, texts::kMsgMotReadFailed,
        MotFailureDetail(motPath) + MissingFirmwareHint(m_appFolder, ProgramFolder()));
    return;
  }
  m_wroteUpdate = true;
  m_mode = kUpdate;
  m_bytesSent = 0;
  m_host.SetProgressTitle(texts::kTitleUpdate);
  // The percentage first, so that the first message line already carries it.
  m_host.SetProgressPercent(0);
  m_host.SetProgressMessage(texts::kCommunicating);
  m_host.ShowProgress(true);
  if (!m_image.OpenStagedImage(GetAppFilePath(texts::kUpdateFile))) {
    // Nothing is pending yet: back to idle at once rather than leave the operator a progress
    // dialog whose only way out is Cancel.
    EndWithMessage(texts::kMsgUpdateFileFailed);
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

std::string CUpgradeDlg::HistoryFolder() const {
  return GetAppFilePath(kHistoryFolder);
}

void CUpgradeDlg::OnRestoreFrom(const std::string& path) {
  if (m_mode != kIdle) return;
  m_backup.Clear();
  if (!m_backup.LoadBackup(path)) {
    // Why the file cannot be read at all, else what is wrong inside it: checked as a whole, a
    // damaged file is refused before anything is written to the amplifier.
    std::string detail = ReadProblem(path, CSettingsBackup::kBufferSize);
    if (detail.empty()) detail = path + ": " + m_backup.LoadError();
    m_host.ShowMessage(MessageKind::Error, texts::kMsgBackupFileFailed, detail);
    return;
  }
  m_mode = kRestore;
  m_restoreSource = path;
  m_host.SetProgressTitle(texts::kTitleRestore);
  // The percentage first, so that the first message line already carries it.
  m_host.SetProgressPercent(0);
  m_host.SetProgressMessage(texts::kCommunicating);
  m_host.ShowProgress(true);
  uint16_t slotNo = 0;
  if (!SendNextRestoreBlock(slotNo)) {
    EndWithMessage(texts::kMsgBackupFileFailed, texts::kDetailNotSlotRecords);
    return;
  }
  StartReplyTimer();
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
  StartReadingSlots(kVerify, texts::kTitleVerify);
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
  const uint16_t command = GetU16(frame, kOffCommand);
  int result = kNothingDecided;
  switch (command) {
    case CMD_UPDATE_REPLY:
      result = OnUpdateReply(frame);
      if (result == kSucceeded) SetGuidance(kStageRestore);
      break;
    case CMD_DEVICE_MESSAGE:
      result = OnDeviceMessage(frame);
      break;
    case CMD_READ_SLOT_REPLY: {
      // A verify reads the slots as a backup does, but leaves the guidance where it is.
      const bool backingUp = m_mode == kBackup;
      result = OnReadSlotReply(frame);
      if (result == kSucceeded && backingUp) SetGuidance(kStageUpdate);
      break;
    }
    case CMD_WRITE_SLOT_REPLY:
      result = OnWriteSlotReply(frame);
      if (result == kSucceeded) {
        const bool verify = m_host.ShowRestoreComplete(texts::kMsgComplete);
        SetGuidance(kStageBackup);
        if (verify) OnVerifyFrom(m_restoreSource);
      }
      break;
    default:
      m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, CommandName(command));
      break;
  }
  return 1;
}

int CUpgradeDlg::OnReadSlotReply(std::span<const uint8_t> frame) {
  const bool verifying = m_mode == kVerify;
  if (m_mode != kBackup && !verifying) {
    m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, CommandName(CMD_READ_SLOT_REPLY));
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
  // A failure ends the backup whatever slot the reply names: the amplifier will send nothing
  // more, and waiting for the reply to the current request would only end in a time-out.
  const std::string_view failure =
      verifying ? texts::kMsgVerifyReadFailed : texts::kMsgBackupFailed;
  if (reply->status != 0) return EndWithMessage(failure);
  if (reply->slot != m_slotNo) {
    // A late answer to a request that was resent: taking it for the slot now being read would
    // store one slot twice and lose the last one. The reply to the current request is still due.
    m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, "slot reply for another slot");
    return kNothingDecided;
  }
  StopReplyTimer();

  CSettingsBackup& store = verifying ? m_readBack : m_backup;
  if (!store.StoreBlock(reply->Control(), reply->block, reply->slot, reply->data.data(),
                        static_cast<uint16_t>(reply->data.size()))) {
    return EndWithMessage(failure, texts::kDetailSlotDataMisfit);
  }
  if (reply->endOfSlot == 0) {
    // The amplifier sends the slot's next block by itself.
    StartReplyTimer();
    return kNothingDecided;
  }
  ++m_slotNo;
  if (m_slotNo < kSlotCount) {
    SendReadSlot(m_slotNo);
    StartReplyTimer();
    m_host.SetProgressPercent(PercentOf(m_slotNo, kSlotCount));
    ReportProgress(Format(texts::kFmtReadingSlot, static_cast<int>(m_slotNo)));
    return kNothingDecided;
  }
  m_host.SetProgressPercent(100);
  if (verifying) return FinishVerify();
  m_mode = kIdle;
  int result = kSucceeded;
  std::string writeError;
  if (m_backup.ConvertAndSave(GetAppFilePath(texts::kBackupFile), &writeError)) {
    m_wroteBackup = true;
    KeepHistoryCopy();
  } else {
    // The folder's own problem says most; else the write's reason, which names the file (a
    // full disk, say).
    std::string detail = FolderProblem(m_appFolder, true);
    if (detail.empty()) detail = writeError.empty() ? texts::kDetailConvertSave : writeError;
    m_host.ShowMessage(MessageKind::Error, texts::kMsgConvertFailed, detail);
    result = kFailed;
  }
  m_host.ShowProgress(false);
  return result;
}

int CUpgradeDlg::FinishVerify() {
  m_mode = kIdle;
  m_comparison =
      CompareSlotRecords(m_verifyExpected, {m_readBack.Records(), m_readBack.RecordsEnd()});
  m_host.ShowProgress(false);
  const std::string detail = DescribeComparison(m_comparison) + "\ncompared with " + m_verifySource;
  if (m_comparison.Equal()) {
    m_host.ShowMessage(MessageKind::Complete, texts::kMsgVerifyEqual, detail);
    return kSucceeded;
  }
  m_host.ShowMessage(MessageKind::Error, texts::kMsgVerifyDiffer, detail);
  return kFailed;
}

void CUpgradeDlg::KeepHistoryCopy() {
  std::string error;
  const std::string path =
      SaveHistoryCopy(HistoryFolder(), {m_backup.Converted(), m_backup.ConvertedLength()},
                      std::time(nullptr), &error);
  m_host.OnBackupKept(path, error);
}

int CUpgradeDlg::OnUpdateReply(std::span<const uint8_t> frame) {
  if (m_mode != kUpdate) {
    m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, CommandName(CMD_UPDATE_REPLY));
    return kNothingDecided;
  }
  // The short-frame check has made sure that the status field is there.
  const UpdateReply reply = ParseUpdateReply(frame).value();
  const bool ok = reply.status == kUpdateStatusOk;
  if (m_lateRepliesDue > 0) return OnLateReply(ok, texts::kMsgUpdateFailed);
  StopReplyTimer();
  if (!ok) return EndWithMessage(texts::kMsgUpdateFailed);

  if (!m_image.HasNextBlock()) {
    m_mode = kIdle;
    m_image.CloseStagedImage();
    m_host.ShowProgress(false);
    return kSucceeded;
  }
  if (HoldForLateReplies()) return kNothingDecided;
  return SendNextUpdateBlock();
}

int CUpgradeDlg::SendNextUpdateBlock() {
  // The index is taken before the read, so the frame carries the index of the block it holds.
  const uint16_t index = m_image.GetBlockIndex();
  uint8_t block[kMaxUpdateBlock];
  const uint16_t n = m_image.ReadNextBlock(block);
  if (n == 0) {
    return EndWithMessage(texts::kMsgUpdateFileFailed, texts::kDetailImageChangedOnDisk);
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
  if (m_mode != kUpdate) {
    m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, CommandName(CMD_DEVICE_MESSAGE));
    return kNothingDecided;
  }
  // The short-frame check has made sure that the record holds every byte its length counts.
  const DeviceMessage message = ParseDeviceMessage(frame).value();
  // An overlong text shows its first 128 bytes; the text ends at its first zero byte.
  const std::string text =
      DecodeDeviceText(message.text.first(std::min(message.text.size(), kMaxDeviceText)));
  if (message.status != kUpdateStatusOk) {
    return EndWithMessage(
        texts::kMsgUpdateFailed,
        text.empty() ? std::string() : std::string(texts::kDetailDeviceSaid) + ": " + text);
  }
  ReportProgress(text);
  return kNothingDecided;
}

int CUpgradeDlg::OnWriteSlotReply(std::span<const uint8_t> frame) {
  if (m_mode != kRestore) {
    m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, CommandName(CMD_WRITE_SLOT_REPLY));
    return kNothingDecided;
  }
  // The short-frame check has made sure that the status field is there.
  const WriteSlotReply reply = ParseWriteSlotReply(frame).value();
  if (m_lateRepliesDue > 0) return OnLateReply(reply.status == 0, texts::kMsgRestoreFailed);
  StopReplyTimer();
  if (reply.status != 0) return EndWithMessage(texts::kMsgRestoreFailed);
  if (!m_backup.HasNextBlock()) {
    m_mode = kIdle;
    m_host.ShowProgress(false);
    return kSucceeded;
  }
  if (HoldForLateReplies()) return kNothingDecided;
  return SendNextRestoreRequest();
}

int CUpgradeDlg::SendNextRestoreRequest() {
  uint16_t slotNo = 0;
  if (!SendNextRestoreBlock(slotNo)) {
    return EndWithMessage(texts::kMsgBackupFileFailed, texts::kDetailRecordPastEnd);
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
  if (m_resentCopies == 0) return false;
  m_lateRepliesDue = m_resentCopies;
  StartReplyTimer();
  return true;
}

int CUpgradeDlg::OnLateReply(bool ok, std::string_view failure) {
  // A copy that failed is the amplifier refusing the request all the same.
  if (!ok) return EndWithMessage(failure);
  m_host.OnProtocolEvent(ProtocolEvent::IgnoredFrame, "late reply to a resent request");
  if (--m_lateRepliesDue > 0) return kNothingDecided;
  StopReplyTimer();
  return SendNextRequest();
}

// ---------------------------------------------------------------------------------------------
// Timer and cancel

void CUpgradeDlg::OnTimer(unsigned id) {
  if (id != kReplyTimerId) return;
  if (m_lateRepliesDue > 0) {
    // A reply period without them: the copies or their answers were lost on the line. Not a
    // resend, so the resend count is left alone.
    m_lateRepliesDue = 0;
    SendNextRequest();
    return;
  }
  if (m_retryCount < kMaxResends) {
    ++m_retryCount;
    ++m_resentCopies;
    const std::span<const uint8_t> last = LastFrame();
    m_host.OnProtocolEvent(ProtocolEvent::Resend, CommandName(GetU16(last, kOffCommand)));
    m_serial.TransmitFrame(last.data(), static_cast<unsigned>(last.size()));
    return;  // the timer keeps running: the next time-out follows one period later
  }
  m_host.OnProtocolEvent(ProtocolEvent::GiveUp, CommandName(GetU16(m_lastFrame, kOffCommand)));
  m_retryCount = 0;
  m_mode = kIdle;
  m_image.CloseStagedImage();
  StopReplyTimer();
  // A line that hung up looks like a silent amplifier; the failed writes tell the two apart.
  std::string detail;
  if (m_serial.LastError() != SerialError::None) {
    detail = std::string(texts::kDetailWritesFailed) + ": " + m_serial.LastErrorDetail();
  }
  m_host.ShowMessage(MessageKind::Error, texts::kMsgNoReply, detail);
  m_host.ShowProgress(false);
}

int CUpgradeDlg::OnCommCancel() {
  m_mode = kIdle;
  m_image.CloseStagedImage();
  StopReplyTimer();
  m_host.ShowProgress(false);
  return 1;
}

}  // namespace q7310
