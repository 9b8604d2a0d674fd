// The presenter that both desktop programs' windows show, with a fake view: what each stage
// enables, the port at start-up (named, remembered, or chosen among the adapters present) and
// after Option > Setting (and what is remembered), the ports the setting dialog lists, closing,
// the status line after a backup and while requests are sent again, File > Open firmware file...,
// Option > Restore from saved backup..., which file Verify compares with, the progress dialog, the
// timers, the frames from the receive thread and the trace. The serial device is scripted
// (serial_test_support.h), so the suite runs on Windows under Wine too; the windows' own tests
// check that their controls reach these decisions.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/no_reply.h"
#include "app/numbered_format.h"
#include "app/protocol_trace.h"
#include "app/settings_notes.h"
#include "app/texts.h"
#include "app/upgrade_presenter.h"
#include "backup/backup_file_info.h"
#include "backup/sample_settings.h"
#include "backup/settings_backup.h"
#include "fake_view.h"
#include "firmware/firmware_image.h"
#include "protocol/frames.h"
#include "serial/envelope.h"
#include "serial/serial_test_support.h"
#include "support/files.h"
#include "support/patience.h"
#include "support/srecord.h"
#include "support/temp_folder.h"

namespace q7310 {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FakeLine;
using testing::FakePortMemory;
using testing::FakeView;

constexpr const char* kDevice = "fake-line";

// Two whole slot records: slot 3 with 4 bytes, slot 5 with 1 byte.
const Bytes kSavedBackup = {0x00, 0x03, 0x00, 0x04, 0x01, 0x02, 0x03,
                            0x04, 0x00, 0x05, 0x00, 0x01, 0x09};

Bytes WriteSlotOk() {
  return BuildWriteSlotReply({0});
}

class PresenterTest : public ::testing::Test {
 protected:
  void TearDown() override { presenter.Shutdown(); }

  // Start-up on the scripted line (which opens unless the test says otherwise).
  void Start() {
    serial.SetDevicePath(kDevice);
    presenter.Start(1);
  }
  void Reply(const Bytes& frame) { presenter.OnFrame(0, frame); }
  fs::path Folder() const { return scratch.Path(); }

  // A whole backup, the amplifier answering every slot in blocks of up to 128 bytes.
  void RunBackup() {
    const Bytes raw = MakeSampleRawSettings(0, 7);
    presenter.OnBackup();
    size_t pos = 0;
    for (uint16_t slot = 0; slot < kSlotCount; ++slot) {
      const size_t length = (raw[pos + 2] << 8) | raw[pos + 3];
      const uint8_t* data = raw.data() + pos + 4;
      uint16_t block = 0;
      for (size_t off = 0; off < length || length == 0;) {
        const size_t n = std::min<size_t>(kMaxReadSlotData, length - off);
        const bool last = off + n == length;
        Reply(BuildReadSlotReply({0, static_cast<uint8_t>(last ? 1 : 0), block++, slot,
                                  Bytes(data + off, data + off + n)}));
        off += n;
        if (last) break;
      }
      pos += 4 + length;
    }
  }

  std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
  CSerialPort serial{testing::FakeFactory(line)};
  CSettingsBackup backup;
  CFirmwareImage image;
  testing::TempFolder scratch{"q7310-presenter"};
  FakeView view;
  FakePortMemory memory;
  UpgradePresenter presenter{view, &memory, {serial, backup, image, scratch.Path().string()}};
};

TEST(StageView, EachStageEnablesItsOneButtonAndTheMenuAsTheGuidanceSays) {
  struct Row {
    int stage;
    bool backup, update, restore, setting, portMenus, caution;
  };
  const Row rows[] = {
      {0, false, false, false, true, false, false},
      {1, true, false, false, true, true, true},
      {2, false, true, false, false, true, false},
      {3, false, false, true, false, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stage);
    const StageView view = UpgradePresenter::StageViewOf(CUpgradeDlg::GuidanceFor(row.stage));
    EXPECT_EQ(view.stage, row.stage);
    EXPECT_EQ(view.backupEnabled, row.backup);
    EXPECT_EQ(view.updateEnabled, row.update);
    EXPECT_EQ(view.restoreEnabled, row.restore);
    EXPECT_EQ(view.settingEnabled, row.setting);
    // Restore from saved backup and Verify settings need the open port, nothing else.
    EXPECT_EQ(view.restoreFromEnabled, row.portMenus);
    EXPECT_EQ(view.verifyEnabled, row.portMenus);
    EXPECT_EQ(view.cautionTitle, row.caution ? texts::kCautionTitle : "");
    EXPECT_EQ(view.cautionText, row.caution ? texts::kMainCaution : "");
  }
  // The lines joined with "\r\n", which a multi-line box breaks at.
  EXPECT_EQ(UpgradePresenter::StageViewOf(CUpgradeDlg::GuidanceFor(3)).instructions,
            std::string(texts::kGuideStage3[0]) + "\r\n" + std::string(texts::kGuideStage3[1]) +
                "\r\n" + std::string(texts::kGuideStage3[2]) + "\r\n" +
                std::string(texts::kGuideStage3[3]));
}

TEST_F(PresenterTest, APortThatOpensShowsStageOneAndIsRemembered) {
  Start();
  ASSERT_EQ(view.stages.size(), 1u);
  EXPECT_EQ(view.Stage().stage, kStageBackup);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(memory.saves, 1);
  EXPECT_EQ(memory.stored.portNo, 1);
  EXPECT_EQ(memory.stored.device, kDevice);
}

TEST_F(PresenterTest, APortThatFailsShowsTheErrorAndStageZeroAndIsNotRemembered) {
  line->openError = SerialError::NotFound;
  Start();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].caption, texts::kCaptionError);
  EXPECT_EQ(view.messages[0].text, texts::kMsgPortError);
  EXPECT_TRUE(view.messages[0].error);
  EXPECT_TRUE(view.messages[0].offer.empty());
  EXPECT_EQ(view.Stage().stage, kStageError);
  EXPECT_EQ(memory.saves, 0);
}

// Ports as the system lists them: a built-in one, and USB adapters known by a number (as on
// Windows) or by their device only (as on Linux).
SerialPortInfo BuiltIn(int number) {
  SerialPortInfo port;
  port.device = PortDevice({number, {}});
  port.portNumber = number;
  return port;
}
SerialPortInfo Adapter(std::string device, int number, std::string serial) {
  SerialPortInfo port;
  port.device = std::move(device);
  port.portNumber = number;
  port.vendorId = "0403";
  port.productId = "6001";
  port.serialNumber = std::move(serial);
  port.description = "FTDI FT232R USB UART";
  return port;
}

class StartUpChoice : public PresenterTest {
 protected:
  void Present(std::vector<SerialPortInfo> ports) {
    presenter.Core().SetPortLister([ports] { return ports; });
  }
};

TEST_F(StartUpChoice, TheOnlyAdapterIsOpenedAndNamedInTheStatusLineButNotRemembered) {
  // Known by its number (Windows): that number is opened.
  Present({BuiltIn(1), Adapter(PortDevice({5, {}}), 5, "A50285BI")});
  presenter.Start(1, /*portNamed=*/false);
  EXPECT_EQ(presenter.Core().PortNo(), 5);
  EXPECT_TRUE(serial.ExplicitDevicePath().empty());
  EXPECT_EQ(view.Stage().stage, kStageBackup);
  ASSERT_EQ(view.statusLines.size(), 1u);
  EXPECT_EQ(view.statusLines[0].text,
            FormatNumbered(texts::kFmtStartOnlyAdapter,
                           {PortDevice({5, {}}) + " (FTDI FT232R USB UART, 0403:6001)"}));
  EXPECT_FALSE(view.statusLines[0].failure);
  // Chosen, not named: the next start chooses again.
  EXPECT_EQ(memory.saves, 0);
  // Once the operator sets a port, it is remembered.
  view.portChoice = 7;
  presenter.OnSetting();
  EXPECT_EQ(memory.saves, 1);
  EXPECT_EQ(memory.stored.portNo, 7);
}

TEST_F(StartUpChoice, AnAdapterKnownByItsDeviceOnlyIsOpenedByItsDevice) {
  Present({BuiltIn(1), Adapter("/dev/ttyUSB0", 0, "A50285BI")});
  presenter.Start(1, /*portNamed=*/false);
  EXPECT_EQ(serial.ExplicitDevicePath(), "/dev/ttyUSB0");
  EXPECT_EQ(presenter.Core().PortNo(), 1);
  EXPECT_EQ(view.Stage().stage, kStageBackup);
  ASSERT_EQ(view.statusLines.size(), 1u);
  EXPECT_EQ(view.statusLines[0].text,
            FormatNumbered(texts::kFmtStartOnlyAdapter,
                           {"/dev/ttyUSB0 (FTDI FT232R USB UART, 0403:6001)"}));
}

TEST_F(StartUpChoice, SeveralAdaptersKeepPortOneAndSaySoInTheCautionColour) {
  Present({BuiltIn(1), Adapter("/dev/ttyUSB0", 0, "A"), Adapter(PortDevice({6, {}}), 6, "B")});
  presenter.Start(1, /*portNamed=*/false);
  EXPECT_EQ(presenter.Core().PortNo(), 1);
  EXPECT_TRUE(serial.ExplicitDevicePath().empty());
  ASSERT_EQ(view.statusLines.size(), 1u);
  EXPECT_EQ(view.statusLines[0].text, texts::kStartSeveralAdapters);
  EXPECT_TRUE(view.statusLines[0].failure);
  EXPECT_EQ(memory.saves, 0);
}

TEST_F(StartUpChoice, NoAdapterOpensPortOneAsBeforeWithNothingToSay) {
  Present({BuiltIn(1), BuiltIn(2)});
  presenter.Start(1, /*portNamed=*/false);
  EXPECT_EQ(presenter.Core().PortNo(), 1);
  EXPECT_TRUE(serial.ExplicitDevicePath().empty());
  EXPECT_TRUE(view.statusLines.empty());
  EXPECT_EQ(memory.saves, 0);
}

TEST_F(StartUpChoice, ANamedOrRememberedPortIsOpenedWhateverAdaptersArePresent) {
  Present({Adapter("/dev/ttyUSB0", 0, "A")});
  presenter.Start(3);
  EXPECT_EQ(presenter.Core().PortNo(), 3);
  EXPECT_TRUE(serial.ExplicitDevicePath().empty());
  EXPECT_TRUE(view.statusLines.empty());
  EXPECT_EQ(memory.saves, 1);
  EXPECT_EQ(memory.stored.portNo, 3);
}

TEST_F(PresenterTest, TheSettingDialogListsThePortsPresentWithTheNumberToType) {
  presenter.Core().SetPortLister([] {
    return std::vector<SerialPortInfo>{BuiltIn(1), Adapter(PortDevice({4, {}}), 4, "A"),
                                       Adapter("/dev/ttyUSB1", 0, "B")};
  });
  Start();
  presenter.OnSetting();
  ASSERT_EQ(view.settings.size(), 1u);
  const PresentPortsView& present = view.settings[0].present;
  EXPECT_EQ(present.heading, texts::kSettingPortsHeading);
  ASSERT_EQ(present.rows.size(), 3u);
  EXPECT_EQ(present.rows[0].number, "1");
  EXPECT_EQ(present.rows[0].name, PortDevice({1, {}}));
  EXPECT_EQ(present.rows[0].description, "");
  EXPECT_EQ(present.rows[1].number, "4");
  EXPECT_EQ(present.rows[1].description, "FTDI FT232R USB UART");
  EXPECT_EQ(present.rows[2].number, texts::kSettingPortsNoNumber);
  EXPECT_EQ(present.rows[2].name, "/dev/ttyUSB1");
  // A port that no number opens: the note says what it needs.
  EXPECT_EQ(present.note, texts::kSettingPortsWithoutNumber);

  // An adapter that does not say what it is: its ids.
  SerialPortInfo unnamed = Adapter("COM9", 9, "C");
  unnamed.description.clear();
  EXPECT_EQ(UpgradePresenter::PresentPortsOf({unnamed}).rows[0].description,
            FormatNumbered(texts::kFmtUsbAdapter, {"0403:6001"}));

  // Every port with a number: no note. No port at all: the heading says so.
  EXPECT_TRUE(UpgradePresenter::PresentPortsOf({BuiltIn(1), BuiltIn(2)}).note.empty());
  const PresentPortsView none = UpgradePresenter::PresentPortsOf({});
  EXPECT_EQ(none.heading, texts::kPortsNone);
  EXPECT_TRUE(none.rows.empty());
  EXPECT_TRUE(none.note.empty());
}

TEST_F(PresenterTest, EachResendShowsInTheStatusLineUntilItsOperationEnds) {
  Start();
  RunBackup();
  ASSERT_EQ(view.statusLines.size(), 2u);

  // The update's start is not answered: each resend shows, with the run's count.
  const uint8_t data[] = {0xAA, 0xBB};
  testing::WriteText(Folder() / texts::kFirmwareFile,
                     testing::SRecordLine('0', 0) + "\n" + testing::SRecordLine('1', 0x1000, data) +
                         "\n" + testing::SRecordLine('9', 0) + "\n");
  presenter.OnUpdate();
  ASSERT_EQ(presenter.Core().Mode(), CUpgradeDlg::kUpdate);
  presenter.OnTimer(kReplyTimerId);
  presenter.OnTimer(kReplyTimerId);
  ASSERT_EQ(view.statusLines.size(), 4u);
  EXPECT_EQ(view.statusLines[2].text, ResendText(1, 3, kReplyTimeoutMs));
  EXPECT_EQ(view.statusLines[3].text, ResendText(2, 3, kReplyTimeoutMs));
  EXPECT_FALSE(view.statusLines[3].failure);

  // Cancelled after a backup: the line says where the settings are, and stays so; no resend is
  // left over it, and the line before (the dated copy) does not come back over it either.
  const fs::path copy = fs::directory_iterator(Folder() / "backups")->path();
  const std::string whereSettingsAre =
      FormatNumbered(texts::kFmtRestoreSettingsWith,
                     {std::string(texts::kMenuPathOption) + std::string(texts::kMenuRestoreFrom),
                      NativePath(copy.string())});
  presenter.OnCancel();
  ASSERT_EQ(view.statusLines.size(), 5u);
  EXPECT_EQ(view.statusLines[4].text, whereSettingsAre);

  // The third resend, then the give-up: the message names what to check; the status line says
  // where the settings are once more, and that is its last word.
  presenter.OnUpdate();
  presenter.OnTimer(kReplyTimerId);
  EXPECT_EQ(view.statusLines.back().text, ResendText(3, 3, kReplyTimeoutMs));
  presenter.OnTimer(kReplyTimerId);
  ASSERT_FALSE(view.messages.empty());
  EXPECT_EQ(view.messages.back().text, texts::kMsgNoReply);
  EXPECT_NE(view.messages.back().detail.find(texts::kGuideStage2[1]), std::string::npos)
      << view.messages.back().detail;
  EXPECT_EQ(view.statusLines.back().text, whereSettingsAre);
  EXPECT_TRUE(view.statusLines.back().failure);

  // A backup's resend: when the backup ends, the line's own text comes back (empty: a backup's
  // start clears the line), not the resend.
  presenter.OnBackup();
  ASSERT_EQ(presenter.Core().Mode(), CUpgradeDlg::kBackup);
  presenter.OnTimer(kReplyTimerId);
  EXPECT_EQ(view.statusLines.back().text, ResendText(1, 3, kReplyTimeoutMs));
  presenter.OnCancel();
  EXPECT_TRUE(view.statusLines.back().text.empty()) << view.statusLines.back().text;
}

TEST_F(PresenterTest, AnotherPortNumberReplacesTheDeviceAndIsRememberedOnceItOpens) {
  Start();
  // The dialog shows the device in use; the same number changes nothing.
  presenter.OnSetting();
  ASSERT_EQ(view.settings.size(), 1u);
  EXPECT_EQ(view.settings[0].portNo, 1);
  EXPECT_EQ(view.settings[0].baudRate, 57600);
  EXPECT_EQ(view.settings[0].device, kDevice);
  EXPECT_EQ(serial.ExplicitDevicePath(), kDevice);
  EXPECT_EQ(view.stages.size(), 1u);

  // Another number: the device goes (or the number would be ignored) and the port reopens.
  view.portChoice = 7;
  presenter.OnSetting();
  EXPECT_TRUE(serial.ExplicitDevicePath().empty());
  EXPECT_EQ(presenter.Core().PortNo(), 7);
  EXPECT_EQ(view.Stage().stage, kStageBackup);
  EXPECT_EQ(memory.stored.portNo, 7);
  EXPECT_TRUE(memory.stored.device.empty());

  // One that does not open: the port error and stage 0; the last port that opened stays.
  line->openError = SerialError::NotFound;
  view.portChoice = 9;
  presenter.OnSetting();
  EXPECT_EQ(view.messages.back().text, texts::kMsgPortError);
  EXPECT_EQ(view.Stage().stage, kStageError);
  EXPECT_EQ(memory.stored.portNo, 7);
}

TEST_F(PresenterTest, ClosingIsRefusedMidOperationAndAskedWhileABackupWaitsForItsRestore) {
  Start();
  EXPECT_TRUE(presenter.MayClose());
  EXPECT_TRUE(view.questions.empty());

  presenter.OnBackup();
  EXPECT_FALSE(presenter.MayClose());
  EXPECT_TRUE(view.questions.empty()) << "no question while an operation runs";
  presenter.OnCancel();

  for (const int stage : {kStageUpdate, kStageRestore}) {
    SCOPED_TRACE(stage);
    presenter.Core().SetGuidance(stage);
    view.questions.clear();
    view.answers = {false};
    EXPECT_FALSE(presenter.MayClose());
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].caption, texts::kCaptionConfirm);
    EXPECT_TRUE(view.questions[0].noIsDefault);
    // No dated copy is known: the question says that the settings would be lost.
    EXPECT_EQ(view.questions[0].text, FormatNumbered(texts::kFmtCloseBackupNotKept,
                                                     {texts::kBackupFile, texts::kReasonUnknown}));
    view.answers = {true};
    EXPECT_TRUE(presenter.MayClose());
  }
  presenter.Core().SetGuidance(kStageError);
  view.questions.clear();
  EXPECT_TRUE(presenter.MayClose());
  EXPECT_TRUE(view.questions.empty());
}

TEST_F(PresenterTest, TheStatusLineNamesTheDatedCopyAndTheCloseQuestionToo) {
  Start();
  RunBackup();
  ASSERT_EQ(view.Stage().stage, kStageUpdate);
  std::vector<fs::path> copies;
  for (const auto& entry : fs::directory_iterator(Folder() / "backups")) {
    copies.push_back(entry.path());
  }
  ASSERT_EQ(copies.size(), 1u);
  const std::string kept = NativePath(copies[0].string());
  // Cleared when the backup started, then the copy's path.
  ASSERT_EQ(view.statusLines.size(), 2u);
  EXPECT_TRUE(view.statusLines[0].text.empty());
  EXPECT_EQ(view.statusLines[1].text, FormatNumbered(texts::kFmtBackupKept, {kept}));
  EXPECT_FALSE(view.statusLines[1].failure);

  EXPECT_FALSE(presenter.MayClose());
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].text,
            FormatNumbered(texts::kFmtCloseBackupKept, {texts::kBackupFile, kept}));
}

TEST_F(PresenterTest, ABackupWithoutDatedCopySaysWhyInTheCautionColour) {
  testing::WriteText(Folder() / "backups", "a file where the history folder belongs");
  Start();
  RunBackup();
  ASSERT_EQ(view.Stage().stage, kStageUpdate);
  ASSERT_EQ(view.statusLines.size(), 2u);
  const StatusLine& line = view.statusLines[1];
  EXPECT_TRUE(line.failure);
  const std::string prefix = FormatNumbered(texts::kFmtBackupNotKept, {""});
  ASSERT_EQ(line.text.rfind(prefix, 0), 0u) << line.text;
  EXPECT_NE(line.text.find("backups"), std::string::npos) << line.text;

  // Closing asks, and says that BACKUP.BIN stays; it does stay.
  view.answers = {true};
  EXPECT_TRUE(presenter.MayClose());
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].text,
            FormatNumbered(texts::kFmtCloseBackupNotKept,
                           {texts::kBackupFile, line.text.substr(prefix.size())}));
  const Bytes backupBin = testing::ReadFile(Folder() / texts::kBackupFile);
  presenter.Shutdown();
  EXPECT_EQ(testing::ReadFile(Folder() / texts::kBackupFile), backupBin);
  EXPECT_TRUE(presenter.Core().BackupKeptAtExit().Kept());
}

// After an update or a restore that did not succeed in a run that made a backup, the failure's
// box and the status line say where that backup's settings are and which menu item restores
// them; after a Cancel, which shows no box, the status line says it.
TEST_F(PresenterTest, AFailedOrCancelledUpdateAfterABackupSaysWhereItsSettingsAre) {
  Start();
  RunBackup();
  ASSERT_EQ(view.Stage().stage, kStageUpdate);
  const fs::path copy = fs::directory_iterator(Folder() / "backups")->path();
  const std::string menu =
      std::string(texts::kMenuPathOption) + std::string(texts::kMenuRestoreFrom);
  const std::string note = NoteWhereSettingsAre(copy.string(), true, menu).text;
  // The status line: short, the file last.
  const std::string oneLine =
      FormatNumbered(texts::kFmtRestoreSettingsWith, {menu, NativePath(copy.string())});

  presenter.OnUpdate();  // no firmware file in the folder
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, texts::kMsgMotReadFailed);
  const std::string& detail = view.messages[0].detail;
  // The reason first, then where the settings are.
  ASSERT_GT(detail.size(), note.size());
  EXPECT_EQ(detail.substr(detail.size() - note.size() - 1), "\n" + note) << detail;
  EXPECT_EQ(view.statusLines.back().text, oneLine);
  EXPECT_TRUE(view.statusLines.back().failure);

  // Cancelled: no box, the status line again.
  testing::WriteText(Folder() / texts::kFirmwareFile,
                     "S00600004844521B\nS1130000000102030405060708090A0B0C0D0E0F74\nS9030000FC\n");
  view.statusLines.clear();
  presenter.OnUpdate();
  ASSERT_EQ(presenter.Core().Mode(), CUpgradeDlg::kUpdate);
  presenter.OnCancel();
  EXPECT_EQ(view.messages.size(), 1u);
  ASSERT_EQ(view.statusLines.size(), 1u);
  EXPECT_EQ(view.statusLines[0].text, oneLine);

  // A later failure of something else carries no such line.
  presenter.Core().OnVerifyFrom((Folder() / "missing.BIN").string());
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[1].detail.find(menu), std::string::npos) << view.messages[1].detail;
}

TEST_F(PresenterTest, RestoreWithoutBackupBinNamesTheNewestSavedCopyAndTheMenuItem) {
  Start();
  const fs::path saved = Folder() / "backups" / "BACKUP-20261207-143015.BIN";
  fs::create_directories(saved.parent_path());
  testing::WriteFile(saved, kSavedBackup);
  presenter.OnRestore();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, texts::kMsgBackupFileFailed);
  EXPECT_NE(view.messages[0].detail.find(NewestCopyText(
                saved.string(),
                std::string(texts::kMenuPathOption) + std::string(texts::kMenuRestoreFrom))),
            std::string::npos)
      << view.messages[0].detail;
}

// RESTORE of a BACKUP.BIN that lacks or repeats slots asks first, No being the default.
TEST_F(PresenterTest, RestoreOfABackupLackingSlotsAsksFirstWithNoTheDefault) {
  const fs::path backupBin = Folder() / texts::kBackupFile;
  testing::WriteFile(backupBin, kSavedBackup);
  Start();
  const size_t written = line->written.size();
  presenter.OnRestore();  // No
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].caption, texts::kCaptionConfirm);
  const SlotCoverage coverage = CoverSlots(InspectBackupBytes(kSavedBackup).records);
  EXPECT_EQ(view.questions[0].text, IncompleteBackupText(backupBin.string(), coverage) + "\n\n" +
                                        std::string(texts::kRestoreAllTheSame));
  EXPECT_TRUE(view.questions[0].noIsDefault);
  EXPECT_EQ(presenter.Core().Mode(), CUpgradeDlg::kIdle);
  EXPECT_EQ(line->written.size(), written) << "nothing may go out before Yes";
  EXPECT_TRUE(view.messages.empty());

  view.answers = {true};
  presenter.OnRestore();
  EXPECT_EQ(view.questions.size(), 2u);
  EXPECT_EQ(presenter.Core().Mode(), CUpgradeDlg::kRestore);
}

TEST_F(PresenterTest, RestoreFromASavedBackupAsksFirstAndShowsTheRestoreInstructionsWhileItRuns) {
  Start();
  const fs::path saved = Folder() / "BACKUP-20261207-143015.BIN";
  testing::WriteFile(saved, kSavedBackup);
  view.chosenFile = saved.string();

  presenter.OnRestoreFromSaved();  // No
  ASSERT_EQ(view.fileRequests.size(), 1u);
  EXPECT_EQ(view.fileRequests[0].kind, FileKind::kSavedBackup);
  EXPECT_EQ(view.fileRequests[0].caption, texts::kRestoreFromCaption);
  EXPECT_EQ(view.fileRequests[0].folder, presenter.Core().HistoryFolder());
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].caption, texts::kRestoreFromCaption);
  EXPECT_EQ(view.questions[0].text, texts::kRestoreFromConfirm);
  EXPECT_TRUE(view.questions[0].noIsDefault);
  EXPECT_NE(view.questions[0].detail.find("2 complete slot records (slots 3, 5), 13 bytes"),
            std::string::npos)
      << view.questions[0].detail;
  // Two slots of nine: the question says which are missing (and RESTORE does not ask again).
  EXPECT_NE(view.questions[0].detail.find(IncompleteBackupText(
                saved.string(), CoverSlots(InspectBackupBytes(kSavedBackup).records))),
            std::string::npos)
      << view.questions[0].detail;
  EXPECT_EQ(presenter.Core().Mode(), CUpgradeDlg::kIdle);
  EXPECT_TRUE(view.instructions.empty());

  view.answers = {true};
  EXPECT_TRUE(presenter.RestoreFromFile(saved.string()));
  ASSERT_EQ(presenter.Core().Mode(), CUpgradeDlg::kRestore);
  ASSERT_EQ(view.instructions.size(), 1u);
  EXPECT_EQ(view.instructions[0], CUpgradeDlg::GuidanceFor(kStageRestore).instructions);
  // Cancelled: the stage's own instructions come back, the stage stays.
  presenter.OnCancel();
  ASSERT_EQ(view.instructions.size(), 2u);
  EXPECT_EQ(view.instructions[1], view.Stage().instructions);
  EXPECT_EQ(view.Stage().stage, kStageBackup);

  // To its end: COMPLETE with the Verify offer, then stage 1 again.
  view.answers = {true};
  ASSERT_TRUE(presenter.RestoreFromFile(saved.string()));
  Reply(WriteSlotOk());
  Reply(WriteSlotOk());
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].caption, texts::kCaptionComplete);
  EXPECT_EQ(view.messages[0].text, texts::kMsgComplete);
  EXPECT_EQ(view.messages[0].offer, texts::kButtonVerify);
  EXPECT_EQ(presenter.Core().Mode(), CUpgradeDlg::kIdle);
}

TEST_F(PresenterTest, ASavedBackupThatCannotBeReadPutsTheInstructionsBackAtOnce) {
  Start();
  const fs::path cut = Folder() / "cut.BIN";
  testing::WriteFile(cut, {0x00, 0x01, 0x00, 0x08, 0x01});
  view.answers = {true};
  EXPECT_TRUE(presenter.RestoreFromFile(cut.string()));
  EXPECT_EQ(presenter.Core().Mode(), CUpgradeDlg::kIdle);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, texts::kMsgBackupFileFailed);
  ASSERT_EQ(view.instructions.size(), 2u);
  EXPECT_EQ(view.instructions[1], view.Stage().instructions);
  // Nothing runs: a restore cannot start on top of another operation either.
  presenter.OnBackup();
  view.answers = {true};
  EXPECT_FALSE(presenter.RestoreFromFile(cut.string()));
}

TEST_F(PresenterTest, VerifyComparesWithTheFileTheLastRestoreSentElseBackupBin) {
  Start();
  // No restore yet: BACKUP.BIN, which is not there, and the message names it.
  presenter.OnVerify();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, texts::kMsgBackupFileFailed);
  const std::string backupBin = presenter.Core().GetAppFilePath(texts::kBackupFile);
  EXPECT_EQ(view.messages[0].detail.rfind(backupBin, 0), 0u) << view.messages[0].detail;

  const fs::path saved = Folder() / "saved.BIN";
  testing::WriteFile(saved, kSavedBackup);
  view.answers = {true};
  ASSERT_TRUE(presenter.RestoreFromFile(saved.string()));
  presenter.OnCancel();
  presenter.OnVerify();
  EXPECT_EQ(presenter.Core().Mode(), CUpgradeDlg::kVerify);
  EXPECT_EQ(view.progressTitle, texts::kTitleVerify);
  EXPECT_EQ(presenter.Core().VerifySource(), saved.string());
}

TEST_F(PresenterTest, TheRestoresVerifyOfferStartsTheVerifyWhenTaken) {
  Start();
  const fs::path saved = Folder() / "saved.BIN";
  testing::WriteFile(saved, kSavedBackup);
  view.answers = {true};
  view.pressOffer = true;
  ASSERT_TRUE(presenter.RestoreFromFile(saved.string()));
  Reply(WriteSlotOk());
  Reply(WriteSlotOk());
  EXPECT_EQ(view.Stage().stage, kStageBackup);
  EXPECT_EQ(presenter.Core().Mode(), CUpgradeDlg::kVerify);
  EXPECT_TRUE(view.progressVisible);
}

TEST_F(PresenterTest, OpenFirmwareCopiesUnderTheFixedNameAskingBeforeReplacing) {
  Start();
  const fs::path chosen = Folder() / "elsewhere" / "v202.mot";
  fs::create_directories(chosen.parent_path());
  testing::WriteText(chosen, "S00600004844521B\n");
  const fs::path target = Folder() / texts::kFirmwareFile;
  view.chosenFile = chosen.string();

  // None there: copied, and the box names where.
  presenter.OnOpenFirmware();
  ASSERT_EQ(view.fileRequests.size(), 1u);
  EXPECT_EQ(view.fileRequests[0].kind, FileKind::kFirmware);
  EXPECT_EQ(testing::ReadFile(target), testing::ReadFile(chosen));
  EXPECT_TRUE(view.questions.empty());
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].caption, texts::kOpenFirmwareCaption);
  EXPECT_EQ(view.messages[0].text,
            std::string(texts::kOpenFirmwareCopied) + NativePath(target.string()));
  EXPECT_FALSE(view.messages[0].error);

  // The same file: nothing to ask, nothing to say.
  EXPECT_TRUE(presenter.OpenFirmwareFile(chosen.string()));
  EXPECT_TRUE(view.questions.empty());
  EXPECT_EQ(view.messages.size(), 1u);

  // A different one: replaced only on Yes.
  testing::WriteText(target, "the firmware before");
  EXPECT_FALSE(presenter.OpenFirmwareFile(chosen.string()));
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_EQ(view.questions[0].text,
            NativePath(target.string()) + std::string(texts::kOpenFirmwareReplace));
  EXPECT_FALSE(view.questions[0].noIsDefault);
  EXPECT_EQ(testing::ReadText(target), "the firmware before");
  view.answers = {true};
  EXPECT_TRUE(presenter.OpenFirmwareFile(chosen.string()));
  EXPECT_EQ(testing::ReadFile(target), testing::ReadFile(chosen));

  // A file that cannot be read: the error, with the reason.
  EXPECT_FALSE(presenter.OpenFirmwareFile((Folder() / "missing.mot").string()));
  EXPECT_EQ(view.messages.back().text, texts::kOpenFirmwareFailed);
  EXPECT_TRUE(view.messages.back().error);
  EXPECT_NE(view.messages.back().detail.find("missing.mot"), std::string::npos);

  // Not while an operation runs.
  presenter.OnBackup();
  presenter.OnOpenFirmware();
  EXPECT_EQ(view.fileRequests.size(), 1u);
}

TEST_F(PresenterTest, ProgressTimersAndShutdownGoThroughTheView) {
  Start();
  presenter.OnBackup();
  EXPECT_TRUE(view.progressVisible);
  EXPECT_EQ(view.progressTitle, texts::kTitleBackup);
  EXPECT_EQ(view.progressTexts, std::vector<std::string>{std::string(texts::kCommunicating)});
  EXPECT_EQ(view.percents, std::vector<int>{0});
  ASSERT_EQ(view.timers.count(kReplyTimerId), 1u);
  EXPECT_EQ(view.timers[kReplyTimerId], kReplyTimeoutMs);
  EXPECT_TRUE(presenter.IsTimerActive(kReplyTimerId));

  // A timer's expiry reaches the controller: the request goes out again.
  const size_t written = line->written.size();
  presenter.OnTimer(kReplyTimerId);
  EXPECT_GT(line->written.size(), written);

  // Shutdown stops every timer, hides the progress dialog and closes the port, once.
  presenter.Shutdown();
  EXPECT_TRUE(view.timers.empty());
  EXPECT_FALSE(presenter.IsTimerActive(kReplyTimerId));
  EXPECT_FALSE(view.progressVisible);
  EXPECT_FALSE(serial.IsOpen());
  view.progressVisible = true;
  presenter.Shutdown();
  EXPECT_TRUE(view.progressVisible);
}

TEST_F(PresenterTest, FramesFromTheLineAreTracedAndQueuedToTheWindow) {
  const fs::path tracePath = Folder() / "trace.log";
  ProtocolTrace protocolTrace;
  std::string error;
  ASSERT_TRUE(protocolTrace.Open(tracePath.string(), "test", &error)) << error;
  FakeView tracedView;
  UpgradePresenter traced(tracedView, nullptr,
                          {serial, backup, image, scratch.Path().string(), &protocolTrace});
  serial.SetDevicePath(kDevice);
  traced.Start(1);
  ASSERT_EQ(tracedView.Stage().stage, kStageBackup);

  line->Feed({Envelope(WriteSlotOk())});
  ASSERT_TRUE(line->WaitUntilTaken());
  ASSERT_EQ(tracedView.QueuedCount(), 1u);
  EXPECT_EQ(tracedView.queued[0].second, WriteSlotOk());
  // Handed back on the window's thread, the controller ignores it (idle) and the trace says so.
  traced.OnFrame(tracedView.queued[0].first, tracedView.queued[0].second);
  traced.Shutdown();
  const std::string text = testing::ReadText(tracePath);
  EXPECT_NE(text.find("RX CMD_WRITE_SLOT_REPLY"), std::string::npos) << text;
  EXPECT_NE(text.find("IGNORED"), std::string::npos) << text;
}

}  // namespace
}  // namespace q7310
