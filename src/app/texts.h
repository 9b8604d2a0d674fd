// Every text that the operator sees, in one place. The desktop program, the command-line tool
// and the tests take them from here; none of them is spelled anywhere else.
#pragma once

#include <array>
#include <string_view>

namespace q7310::texts {

// Files in the program's folder.
inline constexpr std::string_view kFirmwareFile = "Q7310_v201.mot";
inline constexpr std::string_view kBackupFile = "BACKUP.BIN";
inline constexpr std::string_view kUpdateFile = "UPDATE.BIN";

// Message boxes.
inline constexpr std::string_view kCaptionError = "ERROR";
inline constexpr std::string_view kCaptionComplete = "COMPLETE";
inline constexpr std::string_view kMsgPortError = "Set the communication port correctly.";
inline constexpr std::string_view kMsgMotReadFailed = "Failed to read the MOT file.";
inline constexpr std::string_view kMsgUpdateFileFailed = "Failed to read the update file.";
inline constexpr std::string_view kMsgBackupFileFailed = "Failed to read the backup file.";
inline constexpr std::string_view kMsgBackupFailed =
    "Failed to backup the settings of 7310series Amplifier.";
inline constexpr std::string_view kMsgConvertFailed = "Failed to convert the backup data.";
inline constexpr std::string_view kMsgUpdateFailed =
    "Failed to update the settings of 7310series Amplifier.";
inline constexpr std::string_view kMsgRestoreFailed =
    "Failed to restore the settings of 7310series Amplifier.";
inline constexpr std::string_view kMsgNoReply = "No reply from 7310series Amplifier.";
inline constexpr std::string_view kMsgComplete = "Firmware update and settings transfer complete.";
// Added to the detail of "Failed to read the MOT file." when the working folder has no firmware
// file: where the firmware comes from (%1 the working folder, %2 the firmware file's name), and,
// when the sample is installed with the programs, what it is (%1 its path).
inline constexpr const char* kFmtFirmwareMissingHint =
    "\nPut the amplifier's released firmware file in %1 as %2, or choose it with File > Open "
    "firmware file... in q7310-upgrade.";
inline constexpr const char* kFmtSampleFirmwareInstalled =
    "\nThe sample firmware file %1 is for trying the programs against the simulator q7310-sim "
    "only; it is not firmware for an amplifier.";
// UPDATE refuses the simulator's sample firmware, which its header record marks
// (firmware/header_record.h), unless the program was started with --allow-sample: the message,
// and its detail (%1 the file, %2 the working folder, %3 the firmware file's name).
inline constexpr std::string_view kMsgSampleFirmware =
    "The firmware file is the sample for the simulator q7310-sim, not firmware for an amplifier.";
inline constexpr const char* kFmtSampleFirmwareRefused =
    "%1 is marked in its header record (S0) as the sample for q7310-sim; nothing was sent.\n"
    "For an amplifier, put the amplifier's released firmware file in %2 as %3.\n"
    "To send the sample to q7310-sim, start the program with --allow-sample.";

// q7310 ports: follows the devices that the user may not open.
inline constexpr std::string_view kPortsDialoutHint =
    ": permission denied. Serial devices belong to the dialout group: join it with "
    "'sudo adduser $USER dialout', then log out and in again.";

// Working folder, named by both front ends.
inline constexpr std::string_view kWorkingFolder = "Working folder: ";
inline constexpr std::string_view kNoWorkingFolder = "No working folder: ";

// Verify: the settings read back after a restore, compared with the backup that was sent.
inline constexpr std::string_view kMsgVerifyEqual =
    "The settings read back from 7310series Amplifier match the backup.";
inline constexpr std::string_view kMsgVerifyDiffer =
    "The settings read back from 7310series Amplifier differ from the backup.";
inline constexpr std::string_view kMsgVerifyReadFailed =
    "Failed to read back the settings of 7310series Amplifier.";
inline constexpr std::string_view kTitleVerify = "VERIFY";
inline constexpr std::string_view kButtonVerify = "Verify";
inline constexpr std::string_view kMenuVerify = "Verify settings...";
inline constexpr std::string_view kGuideVerify =
    "Leave the unit in ''BACKUP mode'' after the restore (or set it so by pressing the (INPUT "
    "SELECT 8 + ENTER + POWER) keys); VERIFY reads its settings back and changes nothing.";

// The working folder and the trace file, before anything else happens (%s: the folder or file).
inline constexpr const char* kFmtFolderInUse =
    "Another q7310 program is working in the folder %s. Close it first, or choose another folder.";
inline constexpr const char* kFmtTraceIsOwnFile =
    "The trace file %s is one of the program's own files; choose another trace file.";
inline constexpr const char* kFmtTraceIsSerialDevice =
    "The trace file %s is the serial device of the amplifier; choose another trace file.";
// Followed by the lock file's name and the system's reason.
inline constexpr const char* kFmtFolderNotLockable =
    "The folder %s cannot be locked against a second q7310 program, so nothing was done. "
    "Mend the folder, or choose another one. The reason: ";
// Followed by the trace file and the system's reason.
inline constexpr std::string_view kTraceNotWritable = "cannot write the trace: ";
// Followed by the system's reason: the desktop program's window could not be created.
inline constexpr std::string_view kWindowNotMade = "the window could not be made: ";

// Help texts of the options that every front end takes.
inline constexpr std::string_view kHelpDevice =
    "serial device to open instead of the port number's device";
// The part of the --dir help that names the OS's folders (texts_<os>.cpp).
extern const std::string_view kHelpDir;
// What the desktop programs' help calls the value of --device: a path on Linux, a port name
// such as COM12 on Windows (texts_<os>.cpp).
extern const std::string_view kDeviceValueName;
inline constexpr std::string_view kHelpTrace =
    "write a timestamped line for every frame sent and received, every resend, time-out, "
    "dropped frame and line error to the end of FILE (never one of the program's own files)";
inline constexpr std::string_view kHelpAllowSample =
    "let UPDATE send the sample firmware file of the simulator q7310-sim (marked in its header "
    "record), for trying the programs against q7310-sim; without it an update refuses the "
    "sample, which is not firmware for an amplifier";
// The desktop program's addition to the --device help: what it opens without the option.
inline constexpr std::string_view kHelpDeviceRemembered =
    "; without it, the last port number or device that worked is used";

// Progress dialog.
inline constexpr std::string_view kTitleBackup = "BACKUP";
inline constexpr std::string_view kTitleUpdate = "UPDATE";
inline constexpr std::string_view kTitleRestore = "RESTORE";
inline constexpr std::string_view kCommunicating = "Communicating ...";
inline constexpr std::string_view kProgressTemplateMessage = "Communicating .....";
inline constexpr const char* kFmtReadingSlot = "Reading ... slot no. %d";
inline constexpr const char* kFmtWritingSlot = "Writing ... slot no. %d";
inline constexpr const char* kFmtTransmitted = "%4d %%  (%d/%d byte) transmitted";
inline constexpr std::string_view kProgressCaution =
    "Do not turn off the power, or disconnect RS-232C cable during firmware upgrade.";
inline constexpr std::string_view kProgressCancel = "Cancel";

// Main window.
inline constexpr std::string_view kMainCaption =
    "7310 Series v2.0 Firmware Upgrade and Settings Transfer Software";
inline constexpr std::string_view kCautionTitle = "CAUTION:";
inline constexpr std::string_view kMainCaution =
    "Save parameters with 7310 Series Maintenance Software v1.0 before upgrading firmware. "
    "Parameters may be lost if this software is terminated during upgrade.";
inline constexpr std::string_view kButtonBackup = "BACKUP";
inline constexpr std::string_view kButtonUpdate = "UPDATE";
inline constexpr std::string_view kButtonRestore = "RESTORE";
inline constexpr std::string_view kArrow = "->";
inline constexpr std::string_view kMenuFile = "File(&F)";
inline constexpr std::string_view kMenuExit = "Exit(&X)";
inline constexpr std::string_view kMenuOpenFirmware = "Open firmware file...";
inline constexpr std::string_view kOpenFirmwareCaption = "Open firmware file";
inline constexpr std::string_view kOpenFirmwareFilter =
    "Firmware files (*.mot *.MOT *.s19 *.s28 *.s37 *.srec);;All files (*)";
// Follows the path of the working folder's firmware file.
inline constexpr std::string_view kOpenFirmwareReplace =
    " already exists and differs from the chosen file. Replace it?";
inline constexpr std::string_view kOpenFirmwareCopied = "The firmware file was copied to ";
inline constexpr std::string_view kOpenFirmwareFailed = "The firmware file could not be copied.";
inline constexpr std::string_view kMenuOption = "Option(&O)";
inline constexpr std::string_view kMenuSetting = "Setting(&S)";
inline constexpr std::string_view kGuideLineSeparator = "\r\n";
inline constexpr std::string_view kMenuRestoreFrom = "Restore from saved backup...";
inline constexpr std::string_view kRestoreFromCaption = "Restore from saved backup";
inline constexpr std::string_view kRestoreFromFilter = "Backups (*.BIN *.bin);;All files (*)";

// Main window: where the dated copy of the last backup was kept (status bar), and the question
// before closing throws away a backup that has not been restored yet.
inline constexpr const char* kFmtBackupKept = "Backup kept as %1";
inline constexpr const char* kFmtBackupNotKept = "No dated copy of the backup could be kept: %1";
inline constexpr std::string_view kReasonUnknown = "reason unknown";
// Main window: the status line at start-up when no port was remembered or named: the one USB
// serial adapter present, chosen (%1: its device and what it is), or several, none chosen (how
// to choose one names the OS's devices: texts_<os>.cpp).
inline constexpr const char* kFmtStartOnlyAdapter = "Using the only USB serial adapter: %1";
// What a USB adapter is when it does not say (%1 its vendor and product ids).
inline constexpr const char* kFmtUsbAdapter = "USB adapter %1";
extern const std::string_view kStartSeveralAdapters;
inline constexpr std::string_view kCaptionConfirm = "CONFIRM";
inline constexpr const char* kFmtCloseBackupKept =
    "The backup held in %1 has not been restored yet.\n\n"
    "Closing deletes %1. A dated copy stays as:\n%2\n\n"
    "Close anyway?";
inline constexpr const char* kFmtCloseBackupNotKept =
    "The backup held in %1 has not been restored yet, and no dated copy of it could be kept "
    "(%2).\n\n"
    "%1 stays in the working folder when the program closes: it is the only copy of the "
    "amplifier's settings.\n\n"
    "Close anyway?";

// The end of a run, in both front ends. A BACKUP.BIN that no dated copy holds is kept at exit
// (%1 the file, %2 why), with the reason that no dated copy holds it.
inline constexpr const char* kFmtBackupBinKept =
    "%1 was kept: %2. It is the only copy of the settings that this run's backup read; move it "
    "to a safe place before another backup replaces it.";
inline constexpr const char* kFmtNoCopyCouldBeKept = "no dated copy of it could be kept (%1)";
inline constexpr const char* kFmtNoCopyHoldsIt = "no dated copy in %1 holds it";
inline constexpr const char* kFmtNotComparedWithCopies =
    "it could not be compared with the dated copies (%1)";
// After an update or a restore that did not succeed, in a run that made a backup: where that
// backup's settings are (%1 the dated copy, or BACKUP.BIN when none could be kept), and how to
// restore them (%1 the command or the menu item).
inline constexpr const char* kFmtSettingsSavedIn =
    "The settings that this run's backup read are saved in %1.";
inline constexpr const char* kFmtSettingsOnlyIn =
    "The settings that this run's backup read are only in %1, which is kept: no dated copy of "
    "it could be kept.";
inline constexpr const char* kFmtToRestoreThem = "To restore them: %1";
// A restore that finds no BACKUP.BIN: the newest dated copy (%1), and how to restore it.
inline constexpr const char* kFmtNewestSavedBackup = "The newest saved backup is %1.";
inline constexpr const char* kFmtToRestoreIt = "To restore it: %1";
// How the desktop programs restore a saved file, in those texts; and their status line then (%1
// the menu item, %2 the file: last, so that a line too long for the window keeps its name).
inline constexpr std::string_view kMenuPathOption = "Option > ";
inline constexpr const char* kFmtRestoreSettingsWith = "Restore with %1: %2";
// How the command-line tool restores one: the command, then the file (quoted when it must be).
inline constexpr std::string_view kCliProgram = "q7310";
inline constexpr std::string_view kCliRestoreFrom = "restore --from";

// A backup file of whole slot records that does not hold the slots 0 to 8 once each, before a
// restore sends anything (%1 the file, %2 what it lacks or repeats: "is incomplete: slot 4
// missing").
inline constexpr const char* kFmtIncompleteBackup =
    "%1 %2. A backup made by BACKUP holds the slots 0 to 8 once each; a restore writes this "
    "file's records as they stand.";
inline constexpr std::string_view kRestoreAllTheSame = "Restore it all the same?";
inline constexpr std::string_view kCliEnterToRestoreAllTheSame =
    "Press Enter to restore it all the same, or Ctrl-C to stop.";

// Instruction lines per guidance stage. The doubled apostrophes are the program's own text.
inline constexpr std::array<std::string_view, 3> kGuideStage0 = {
    "Communication error ! ",
    "Can not communicate with 7310 Series Amplifier.",
    "Check the communication settings and try again.",
};
inline constexpr std::array<std::string_view, 3> kGuideStage1 = {
    "Connect the 7310 Series Amplifier to PC with a 9-pin straight RS-232C cable.",
    "Starting with power OFF, set unit to ''BACKUP mode'' by pressing the (INPUT SELECT 8 + "
    "ENTER + POWER) keys.",
    "When display reads ''BACKUP'', click on BACKUP button above.",
};
inline constexpr std::array<std::string_view, 3> kGuideStage2 = {
    "If display still reads ''BACKUP MODE'', please press the POWER key for about 5 seconds to "
    "power off.",
    "Set unit to ''UPDATE mode'' by pressing the (INPUT SELECT 8 + ESC/BACK + POWER) keys.",
    "When display reads ''UPDATE'', click on UPDATE button above.",
};
inline constexpr std::array<std::string_view, 4> kGuideStage3 = {
    "When display reads, ''INITIALIZE MEMORY?'', press the ENTER key to initialize memory.",
    "Unit will power itself down.",
    "Set unit to ''BACKUP mode'' by pressing the (INPUT SELECT 8 + ENTER + POWER) keys.",
    "When display reads ''BACKUP'', click on RESTORE button above.",
};

// Port settings dialog.
inline constexpr std::string_view kSettingCaption = "Setting";
inline constexpr std::string_view kSettingPortLabel = "PORT NO. :";
inline constexpr std::string_view kSettingBaudLabel = "BAUDRATE :";
inline constexpr std::string_view kSettingBps = "bps";
inline constexpr std::string_view kSettingOk = "OK";
inline constexpr std::string_view kSettingCancel = "Cancel";
inline constexpr const char* kFmtTooManyChars = "Please enter no more than %1 characters.";
// This program's addition under the dialog's fields: the serial ports present, with the number to
// type for each (kPortsNone when there is none).
inline constexpr std::string_view kSettingPortsHeading = "Serial ports present:";
inline constexpr std::string_view kSettingPortsNumber = "PORT NO.";
inline constexpr std::string_view kSettingPortsName = "NAME";
inline constexpr std::string_view kSettingPortsDescription = "DESCRIPTION";
// In the PORT NO. column of a port that no number opens (a USB adapter on Linux), and the note
// under the list that says what it needs.
inline constexpr std::string_view kSettingPortsNoNumber = "-";
inline constexpr std::string_view kSettingPortsWithoutNumber =
    "A port with PORT NO. - has no number: start q7310-upgrade with --device and its NAME.";

// This program's own texts, beyond the system's fixed ones: detail lines under a message, and
// the messages of checks the system does not make.
inline constexpr std::string_view kMsgFolderUnusable =
    "The folder for Q7310_v201.mot, BACKUP.BIN and UPDATE.BIN cannot be used.";
inline constexpr std::string_view kDetailNoSuchFolder = "no such folder";
inline constexpr std::string_view kDetailNotAFolder = "not a folder";
inline constexpr std::string_view kDetailFolderNotWritable = "cannot write there";
inline constexpr std::string_view kDetailLargerThanStore = "larger than the backup store";
inline constexpr std::string_view kDetailDirHint = "--dir FOLDER names another folder than";
inline constexpr std::string_view kDetailWritesFailed = "the last writes to the amplifier failed";
inline constexpr std::string_view kDetailDeviceSaid = "the amplifier reported";
inline constexpr std::string_view kDetailConvertSave = "BACKUP.BIN could not be written";
inline constexpr std::string_view kDetailNotSlotRecords =
    "the backup file is not a sequence of slot records";
inline constexpr std::string_view kDetailSlotDataMisfit =
    "the slot data does not fit the backup store or arrived out of order";
inline constexpr std::string_view kDetailImageChangedOnDisk =
    "the staged image is shorter than announced; it was changed on disk";
inline constexpr std::string_view kDetailRecordPastEnd =
    "a slot record runs past the end of the backup file";
inline constexpr std::string_view kCancelled = "Cancelled.";

// A request that goes unanswered. As it happens (%1 the reply timer's period in seconds, %2 the
// resends made since start-up or the last give-up, %3 how many are allowed):
inline constexpr const char* kFmtResend = "No reply within %1 s; sending again (%2 of %3)";
// The detail of "No reply from 7310series Amplifier.": the likely causes, each followed by the
// words that exist for it (the stage's line that sets the unit's mode, the line that names the
// cable) or by the ports (%1 the port used, %2 the others).
inline constexpr std::string_view kNoReplyCheck = "Check:";
inline constexpr std::string_view kNoReplyMode = "- the unit's mode: ";
inline constexpr std::string_view kNoReplyCable = "- the cable: ";
inline constexpr std::string_view kNoReplyCrossedCable =
    " A crossed (null-modem) cable does not work.";
inline constexpr const char* kFmtNoReplyPort = "- the port: %1 was used; %2.";
inline constexpr std::string_view kNoReplyOtherPorts = "also present: ";
inline constexpr std::string_view kNoReplyNoOtherPort = "no other serial port is present";

// q7310 image FILE --stage OUT: OUT is never one of the program's files, the input, a device or a
// file that is there already (unless --force).
inline constexpr const char* kFmtStageIsOwnFile =
    "The staging file %s is one of the program's own files; choose another file.";
inline constexpr const char* kFmtStageIsInput =
    "The staging file %s is the firmware file itself; choose another file.";
inline constexpr const char* kFmtStageExists =
    "The staging file %s exists already; give --force to replace it.";
// Followed by why (" is a device, not a regular file").
inline constexpr const char* kFmtStageNotAFile = "The staging file %s cannot be written: it ";

// q7310 image: what it says of a file that its header marks as the simulator's sample.
inline constexpr std::string_view kImageIsSample =
    "the sample firmware file of the simulator q7310-sim, not firmware for an amplifier; an "
    "update sends it only with --allow-sample";

// Usage errors of the command-line programs.
inline constexpr std::string_view kUsageUnknownOperation = "unknown operation";
inline constexpr std::string_view kUsageExpected = "expected";
// What --port and Q7310_PORT take, naming the OS's devices (texts_<os>.cpp).
extern const std::string_view kUsagePortForms;
inline constexpr std::string_view kUsageSeeHelp = "Run with --help for more information.";
inline constexpr std::string_view kUsageUnknownOption = "unknown option";
inline constexpr std::string_view kUsageDidYouMean = "did you mean";
inline constexpr std::string_view kUsageNoOperation = "no operation given";
inline constexpr std::string_view kUsageFixedSpeed =
    "the line speed is fixed at 57600 bps; nothing to set";
inline constexpr std::string_view kUsageStandAlone =
    "image, inspect and ports stand alone; they mix neither with operations nor with one another";
// The environment variable that names the port when no option does.
inline constexpr std::string_view kPortVariable = "Q7310_PORT";
// The help of an operation: the options given before or after it.
inline constexpr std::string_view kHelpGlobalOptions = "Global options (before or after OPERATION)";

// The command-line tool's own lines. Before each operation it shows the desktop's instructions
// for the stage without their last line (a click on a button), then these.
inline constexpr std::string_view kCliReadyForBackup = "Wait until the display reads ''BACKUP''.";
inline constexpr std::string_view kCliReadyForUpdate = "Wait until the display reads ''UPDATE''.";
inline constexpr std::string_view kCliPressEnter = "Then press Enter here.";
// The port the run opens, on its first lines: "Port: /dev/ttyUSB0 (FTDI FT232R USB UART, …)".
inline constexpr std::string_view kCliPort = "Port: ";
inline constexpr std::string_view kCliSeveralAdapters =
    "several USB serial adapters are present; name the one to use with --port:";
inline constexpr std::string_view kCliBackupKept = "Backup kept as ";
inline constexpr std::string_view kCliNoDatedCopy = "no dated copy of the backup was kept: ";
inline constexpr std::string_view kCliCouldNotDelete = "could not delete ";
// Each operation's closing line (%1 the operation, %2 and %3 counts, %4 the time it took), and
// the figures of its progress.
inline constexpr const char* kFmtCliSlotsBytes = "%1: %2 slots, %3 bytes in %4";
inline constexpr const char* kFmtCliBlocksBytes = "%1: %2 blocks, %3 bytes in %4";
inline constexpr const char* kFmtCliDoneIn = "%1: done in %2";
inline constexpr const char* kFmtCliFailedAfter = "%1: failed after %2";
inline constexpr const char* kFmtCliCancelledAfter = "%1: cancelled after %2";
inline constexpr std::string_view kCliTimeLeft = " left";
inline constexpr std::string_view kPortsNone = "No serial ports found.";

// A USB adapter's latency timer (Windows), said before an update (%1 the port, %2 its timer in
// ms, %3 the update's requests, %4 the seconds they add) and in the port list (%3 the seconds
// for a 64 KiB image), followed by how to lower it.
inline constexpr const char* kFmtLatencySlowsUpdate =
    "The USB adapter on %1 holds every short reply for %2 ms (its latency timer): the %3 "
    "requests of this update take about %4 s longer.";
inline constexpr const char* kFmtLatencyPortNote =
    "%1: latency timer %2 ms; an update of a 64 KiB image takes about %3 s longer.";
inline constexpr std::string_view kLatencyHowToLower =
    "To lower it to 1 ms: Device Manager, Ports (COM & LPT), the port's Properties, Port "
    "Settings, Advanced..., Latency Timer (msec).";

// Restore from a saved backup: the question before it starts.
inline constexpr std::string_view kRestoreFromConfirm =
    "Restore these settings into the amplifier?";
inline constexpr std::string_view kRestoreFromSaved = "Saved:";
inline constexpr const char* kFmtRestoreFromSummary =
    "%1 complete slot records (slots %2), %3 bytes";
inline constexpr std::string_view kSettingDeviceLabel = "DEVICE :";

// About box.
inline constexpr std::string_view kAboutMenuItem = "&About Q7310_VersionUpSoftware...";
inline constexpr std::string_view kAboutCaption = "About Q7310_VersionUpSoftware";
inline constexpr std::string_view kAboutText = "Q7310_VersionUpSoftware Version 1.0";
inline constexpr std::string_view kAboutBuild = "q7310-upgrade ";

}  // namespace q7310::texts
