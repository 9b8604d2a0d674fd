#include "app/upgrade_presenter.h"

#include <cstdio>
#include <utility>

#include "app/app_paths.h"
#include "app/close_guard.h"
#include "app/firmware_choice.h"
#include "app/numbered_format.h"
#include "app/port_choice.h"
#include "app/protocol_trace.h"
#include "app/restore_from_summary.h"
#include "app/session.h"
#include "app/settings_notes.h"
#include "app/texts.h"

namespace q7310 {
namespace {

// The status line after a backup: where its dated copy was kept, or why none was.
StatusLine BackupKeptLine(const std::string& nativePath, const std::string& error) {
  if (nativePath.empty()) {
    return {FormatNumbered(texts::kFmtBackupNotKept,
                           {error.empty() ? texts::kReasonUnknown : std::string_view(error)}),
            true};
  }
  return {FormatNumbered(texts::kFmtBackupKept, {nativePath}), false};
}

}  // namespace

UpgradePresenter::UpgradePresenter(IUpgradeView& view, IPortMemory* portMemory, const Parts& parts)
    : m_view(view),
      m_portMemory(portMemory),
      m_serial(parts.serial),
      m_trace(parts.trace),
      m_core(std::make_unique<CUpgradeDlg>(static_cast<IUpgradeHost&>(*this), parts.serial,
                                           parts.backup, parts.image, parts.folder)) {}

UpgradePresenter::UpgradePresenter(IUpgradeView& view, IPortMemory* portMemory, Session& session)
    : m_view(view),
      m_portMemory(portMemory),
      m_serial(session.Serial()),
      m_trace(session.Trace()),
      m_core(session.MakeController(*this)) {}

UpgradePresenter::~UpgradePresenter() = default;

StageView UpgradePresenter::StageViewOf(const Guidance& guidance) {
  StageView view;
  view.stage = guidance.stage;
  view.backupEnabled = guidance.backupEnabled;
  view.updateEnabled = guidance.updateEnabled;
  view.restoreEnabled = guidance.restoreEnabled;
  view.settingEnabled = guidance.settingEnabled;
  // Restore from a saved backup and Verify need the open port, nothing else.
  view.restoreFromEnabled = guidance.stage != kStageError;
  view.verifyEnabled = guidance.stage != kStageError;
  view.instructions = guidance.instructions;
  view.cautionTitle = guidance.cautionTitle;
  view.cautionText = guidance.cautionText;
  return view;
}

PresentPortsView UpgradePresenter::PresentPortsOf(const std::vector<SerialPortInfo>& ports) {
  PresentPortsView view;
  view.heading = ports.empty() ? texts::kPortsNone : texts::kSettingPortsHeading;
  for (const SerialPortInfo& port : ports) {
    PortRow row;
    row.number = port.portNumber > 0 ? std::to_string(port.portNumber)
                                     : std::string(texts::kSettingPortsNoNumber);
    row.name = port.device;
    // The maker's and product's names, which fit the dialog's width; the ids only in their place.
    row.description = port.description;
    if (row.description.empty() && port.IsUsbAdapter()) {
      row.description =
          FormatNumbered(texts::kFmtUsbAdapter, {port.vendorId + ":" + port.productId});
    }
    if (port.portNumber <= 0) view.note = texts::kSettingPortsWithoutNumber;
    view.rows.push_back(std::move(row));
  }
  return view;
}

// ---------------------------------------------------------------------------------------------
// The operator's actions

void UpgradePresenter::Start(int portNo, bool portNamed) {
  if (!portNamed) portNo = ChooseStartPort(portNo);
  m_core->OnInitDialog(*this, portNo);
  if (portNamed) RememberPortIfOpen();
}

int UpgradePresenter::ChooseStartPort(int portNo) {
  const PortChoice choice = ChoosePortToOpen(std::nullopt, m_core->ListPorts());
  if (choice.ambiguous) {
    ShowStatus({std::string(texts::kStartSeveralAdapters), true});
    return portNo;
  }
  if (choice.source != PortSource::kOnlyAdapter) return portNo;
  ShowStatus({FormatNumbered(texts::kFmtStartOnlyAdapter, {DescribeChoice(choice)}), false});
  if (choice.port.portNo > 0) return choice.port.portNo;
  m_serial.SetDevicePath(choice.port.device);
  return portNo;
}

void UpgradePresenter::RememberPortIfOpen() {
  if (m_portMemory != nullptr && m_core->Stage() != kStageError) {
    m_portMemory->Save({m_core->PortNo(), m_serial.ExplicitDevicePath()});
  }
}

void UpgradePresenter::OnBackup() {
  m_core->OnBackup();
  // The status line speaks of the previous backup; the one now running brings its own.
  if (m_core->Mode() == CUpgradeDlg::kBackup) ShowStatus({});
}

void UpgradePresenter::OnUpdate() {
  m_core->OnUpdate();
}

void UpgradePresenter::OnRestore() {
  m_core->OnRestore();
}

void UpgradePresenter::OnSetting() {
  m_core->OnSetting();
  RememberPortIfOpen();
}

void UpgradePresenter::OnVerify() {
  m_core->OnVerifyFrom(m_core->VerifySource());
}

void UpgradePresenter::OnOpenFirmware() {
  if (m_core->Mode() != CUpgradeDlg::kIdle) return;
  const std::string path = m_view.ChooseFile(
      {FileKind::kFirmware, texts::kOpenFirmwareCaption, texts::kOpenFirmwareFilter, {}});
  if (!path.empty()) OpenFirmwareFile(path);
}

bool UpgradePresenter::OpenFirmwareFile(const std::string& path) {
  const std::string& folder = m_core->AppFolder();
  std::string error;
  switch (CompareFirmwareFile(path, folder, &error)) {
    case FirmwareInFolder::Same:
      return true;
    case FirmwareInFolder::Different: {
      const std::string target = NativePath(m_core->GetAppFilePath(texts::kFirmwareFile));
      if (!m_view.Ask({texts::kOpenFirmwareCaption,
                       target + std::string(texts::kOpenFirmwareReplace),
                       {},
                       false})) {
        return false;
      }
      break;
    }
    case FirmwareInFolder::Absent:
      break;
    case FirmwareInFolder::Unreadable:
      ShowMessage(MessageKind::Error, texts::kOpenFirmwareFailed, error);
      return false;
  }
  const std::string written = CopyFirmwareFile(path, folder, &error);
  if (written.empty()) {
    ShowMessage(MessageKind::Error, texts::kOpenFirmwareFailed, error);
    return false;
  }
  m_view.ShowMessage({.caption = texts::kOpenFirmwareCaption,
                      .text = std::string(texts::kOpenFirmwareCopied) + NativePath(written)});
  return true;
}

void UpgradePresenter::OnRestoreFromSaved() {
  if (m_core->Mode() != CUpgradeDlg::kIdle) return;
  const std::string path = m_view.ChooseFile({FileKind::kSavedBackup, texts::kRestoreFromCaption,
                                              texts::kRestoreFromFilter, m_core->HistoryFolder()});
  if (!path.empty()) RestoreFromFile(path);
}

bool UpgradePresenter::RestoreFromFile(const std::string& path) {
  if (m_core->Mode() != CUpgradeDlg::kIdle) return false;
  if (!m_view.Ask({texts::kRestoreFromCaption, std::string(texts::kRestoreFromConfirm),
                   RestoreFromSummary(path), true})) {
    return false;
  }
  m_view.ShowInstructions(CUpgradeDlg::GuidanceFor(kStageRestore).instructions);
  m_restoreInstructions = true;
  // The question above named the slots that the file lacks or repeats, if any.
  m_incompleteAccepted = path;
  m_core->OnRestoreFrom(path);
  m_incompleteAccepted.clear();
  // A file that could not be read ends it before it starts.
  if (m_core->Mode() == CUpgradeDlg::kIdle) EndRestoreInstructions();
  return true;
}

void UpgradePresenter::EndRestoreInstructions() {
  if (!m_restoreInstructions) return;
  m_restoreInstructions = false;
  m_view.ShowInstructions(m_stage.instructions);
}

bool UpgradePresenter::MayClose() {
  if (!m_core->CanClose()) return false;
  if (!BackupAwaitingRestore(m_core->Stage())) return true;
  return m_view.Ask({texts::kCaptionConfirm, CloseQuestion(m_keptPath, m_keptError), {}, true});
}

void UpgradePresenter::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  for (const unsigned id : m_timers) m_view.KillTimer(id);
  m_timers.clear();
  m_view.ShowProgress(false);
  for (const std::string& path : m_core->OnDestroy()) {
    std::fprintf(stderr, "q7310-upgrade: could not delete %s\n", path.c_str());
  }
  if (const KeptBackup& kept = m_core->BackupKeptAtExit(); kept.Kept()) {
    std::fprintf(stderr, "q7310-upgrade: %s\n", KeptBackupText(kept).c_str());
  }
}

void UpgradePresenter::OnTimer(unsigned id) {
  m_core->OnTimer(id);
}

void UpgradePresenter::OnFrame(uint32_t status, std::span<const uint8_t> frame) {
  m_core->OnFrameReceived(status, frame);
}

void UpgradePresenter::OnCancel() {
  m_core->OnCommCancel();
}

// ---------------------------------------------------------------------------------------------
// The controller's host

void UpgradePresenter::SetTimer(unsigned id, unsigned periodMs) {
  m_timers.insert(id);
  m_view.SetTimer(id, periodMs);
}

void UpgradePresenter::KillTimer(unsigned id) {
  m_timers.erase(id);
  m_view.KillTimer(id);
}

void UpgradePresenter::ShowMessage(MessageKind kind, std::string_view text,
                                   std::string_view detail) {
  const bool error = kind == MessageKind::Error;
  std::string lines(detail);
  if (error && !m_settingsNote.empty()) {
    if (!lines.empty()) lines += "\n";
    lines += m_settingsNote;
  }
  m_settingsNote.clear();
  m_view.ShowMessage({.caption = error ? texts::kCaptionError : texts::kCaptionComplete,
                      .text = std::string(text),
                      .detail = std::move(lines),
                      .error = error});
}

bool UpgradePresenter::ShowRestoreComplete(std::string_view text) {
  return m_view.ShowMessage({.caption = texts::kCaptionComplete,
                             .text = std::string(text),
                             .offer = texts::kButtonVerify});
}

void UpgradePresenter::SetProgressTitle(std::string_view title) {
  m_view.SetProgressTitle(title);
}

void UpgradePresenter::SetProgressMessage(std::string_view text) {
  m_view.SetProgressMessage(text);
}

void UpgradePresenter::SetProgressPercent(int percent) {
  m_view.SetProgressPercent(percent);
}

void UpgradePresenter::ShowProgress(bool visible) {
  m_view.ShowProgress(visible);
  if (visible) return;
  EndRestoreInstructions();
  // The operation has ended: its resends are over, and the line's own text comes back.
  if (m_resendShown) ShowStatus(m_status);
}

void UpgradePresenter::ShowStatus(StatusLine line) {
  m_status = std::move(line);
  m_resendShown = false;
  m_view.ShowStatus(m_status);
}

void UpgradePresenter::OnResend(const ResendNotice& notice) {
  m_resendShown = true;
  m_view.ShowStatus({notice.text, false});
}

void UpgradePresenter::ApplyGuidance(const Guidance& guidance) {
  m_restoreInstructions = false;
  m_stage = StageViewOf(guidance);
  m_view.ShowStage(m_stage);
}

int UpgradePresenter::RunSettingDialog(int portNo, int baudRate) {
  const int chosen = m_view.RunSettingDialog(
      {portNo, baudRate, m_serial.ExplicitDevicePath(), PresentPortsOf(m_core->ListPorts())});
  // Another port number replaces the device in use; otherwise the device would still be opened
  // and the number the operator chose silently ignored.
  if (chosen != portNo) m_serial.SetDevicePath({});
  return chosen;
}

void UpgradePresenter::OnBackupKept(std::string_view path, std::string_view error) {
  m_keptPath = NativePath(path);
  m_keptError = error;
  ShowStatus(BackupKeptLine(m_keptPath, m_keptError));
}

std::string UpgradePresenter::HowToRestore(std::string_view /*path*/) {
  return std::string(texts::kMenuPathOption) + std::string(texts::kMenuRestoreFrom);
}

void UpgradePresenter::OnSettingsToRestore(const SettingsNote& note, bool failed) {
  // The failure's box says it in full; the status line keeps saying it, short, after the box is
  // closed (and is all there is after a Cancel, which shows no box).
  m_settingsNote = failed ? note.text : std::string();
  // The line's own text from here on: a resend shown over it ends with the operation.
  ShowStatus(
      {FormatNumbered(texts::kFmtRestoreSettingsWith, {note.how, NativePath(note.path)}), true});
}

bool UpgradePresenter::ConfirmIncompleteBackup(std::string_view path,
                                               const SlotCoverage& coverage) {
  if (!m_incompleteAccepted.empty() && m_incompleteAccepted == path) return true;
  return m_view.Ask(
      {texts::kCaptionConfirm,
       IncompleteBackupText(path, coverage) + "\n\n" + std::string(texts::kRestoreAllTheSame),
       {},
       true});
}

void UpgradePresenter::OnProtocolEvent(ProtocolEvent event, std::string_view detail) {
  if (m_trace != nullptr) m_trace->OnEvent(event, detail);
}

void UpgradePresenter::PostFrame(uint32_t status, std::vector<uint8_t> frame) {
  if (m_trace != nullptr) m_trace->OnReceived(status, frame);
  m_view.QueueFrame(status, std::move(frame));
}

}  // namespace q7310
