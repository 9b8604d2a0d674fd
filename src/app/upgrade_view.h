// The view interface: what the presenter (upgrade_presenter.h) asks of a desktop program's main
// window. Each desktop program (Qt on Linux, Win32 on Windows) implements it with its toolkit's
// calls only: every decision (what a stage enables, what a question says, which file a verify
// compares with, when the window may close) is the presenter's, and reaches the window as one of
// the values below. A window adds nothing of its own to them, so a change to what the window
// shows is made once, in the presenter, and a new field is drawn by each window.
//
// Threads: QueueFrame is called on the serial link's receive thread; everything else on the
// window's thread, which is also where the window calls the presenter back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace q7310 {

// The main window at a guidance stage.
struct StageView {
  int stage = 0;
  bool backupEnabled = false;
  bool updateEnabled = false;
  bool restoreEnabled = false;
  bool settingEnabled = true;       // Option > Setting
  bool restoreFromEnabled = false;  // Option > Restore from saved backup... (port open)
  bool verifyEnabled = false;       // Option > Verify settings... (port open)
  std::string instructions;         // the stage's lines, joined with "\r\n"
  std::string cautionTitle;         // empty outside stage 1
  std::string cautionText;
};

// The status line under the window's controls; an empty text clears it.
struct StatusLine {
  std::string text;
  bool failure = false;  // drawn in the caution colour
};

// A message box with an OK button.
struct MessageBoxView {
  std::string_view caption = {};
  std::string text = {};
  std::string detail = {};      // a reason shown apart from the text; often empty
  bool error = false;           // the exclamation icon; otherwise the information icon
  std::string_view offer = {};  // a second button beside OK (such as "Verify"); empty for none
};

// A question with Yes and No; Escape answers No.
struct Question {
  std::string_view caption;
  std::string text;
  std::string detail;        // shown apart from the text; often empty
  bool noIsDefault = false;  // Enter answers No
};

enum class FileKind {
  kFirmware,     // any file; its contents are checked when it is used
  kSavedBackup,  // a dated copy of a backup (a window may offer only whole backups)
};

// The file dialog for choosing an existing file.
struct FileRequest {
  FileKind kind = FileKind::kFirmware;
  std::string_view caption;
  std::string_view filter;  // "Description (*.a *.b);;All files (*)"
  std::string folder;       // where the dialog starts; empty for the system's choice
};

// A serial port present, as the port settings dialog lists it.
struct PortRow {
  std::string number;       // what to type in PORT NO. ("3"); texts::kSettingPortsNoNumber for none
  std::string name;         // the system's name: "COM3", "/dev/ttyUSB0"
  std::string description;  // what it is: "FTDI FT232R USB UART"; may be empty
};

// The serial ports present, listed under the port settings dialog's fields.
struct PresentPortsView {
  std::string heading;        // over the list: what to do with it, or that no port was found
  std::vector<PortRow> rows;  // in the system's order
  std::string note;           // under the list: what a port without a number needs; often empty
};

// What the port settings dialog shows.
struct PortSettingView {
  int portNo = 1;
  int baudRate = 0;    // shown read-only
  std::string device;  // the device in use in place of the port number's; empty hides the row
  PresentPortsView present;
};

class IUpgradeView {
 public:
  virtual ~IUpgradeView() = default;

  // The main window.
  virtual void ShowStage(const StageView& view) = 0;
  // The instruction box alone, for a while within a stage (ShowStage puts the stage's back).
  virtual void ShowInstructions(std::string_view lines) = 0;
  virtual void ShowStatus(const StatusLine& line) = 0;

  // Modal boxes and dialogs, owned by the main window.
  // True when the operator pressed the offered button.
  virtual bool ShowMessage(const MessageBoxView& box) = 0;
  // True on Yes.
  virtual bool Ask(const Question& question) = 0;
  // The chosen path, or empty when the operator cancelled.
  virtual std::string ChooseFile(const FileRequest& request) = 0;
  // The port number the dialog hands back (the one given, when the operator cancelled).
  virtual int RunSettingDialog(const PortSettingView& setting) = 0;

  // The progress dialog. The percentage is 0..100 for a bar, -1 for none.
  virtual void SetProgressTitle(std::string_view title) = 0;
  virtual void SetProgressMessage(std::string_view text) = 0;
  virtual void SetProgressPercent(int percent) = 0;
  virtual void ShowProgress(bool visible) = 0;

  // Timer `id` calls UpgradePresenter::OnTimer(id) every period until KillTimer(id); setting a
  // running timer restarts its period.
  virtual void SetTimer(unsigned id, unsigned periodMs) = 0;
  virtual void KillTimer(unsigned id) = 0;
  // On the receive thread: hands the frame to the window's thread, which passes it on to
  // UpgradePresenter::OnFrame in arrival order.
  virtual void QueueFrame(uint32_t status, std::vector<uint8_t> frame) = 0;
};

}  // namespace q7310
