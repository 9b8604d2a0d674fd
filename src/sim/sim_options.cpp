#include "sim/sim_options.h"

#include <cstdint>
#include <limits>

namespace q7310::sim {

void DeclareOptions(CLI::App& app, SimOptions& o) {
  app.description(
      "Simulated amplifier in service mode on a pseudo-terminal or serial device. Prints the "
      "path to connect to on its first line, answers read-slot, write-slot and update requests "
      "until SIGINT or SIGTERM, then prints a summary to stderr. Exit status 0 when everything "
      "received was consistent, 1 otherwise, 2 for usage errors.");

  auto* line = "Line";
  app.add_option("--device", o.device, "Serve this serial device instead of a new pseudo-terminal")
      ->type_name("PATH")
      ->group(line);
  app.add_option("--link", o.link, "Create a symbolic link PATH to the line (removed at exit)")
      ->type_name("PATH")
      ->group(line);
  app.add_flag("--pace", o.loop.pace,
               "Send and take bytes no faster than 57600 bps 8N1 (173.6 us a byte)")
      ->group(line);

  auto* settings = "Settings";
  auto* file = app.add_option("--settings", o.settingsFile,
                              "Serve these raw slot records (slot u16 BE, length u16 BE, data)")
                   ->check(CLI::ExistingFile)
                   ->type_name("FILE")
                   ->group(settings);
  app.add_option("--format", o.format, "Format byte of the built-in sample settings")
      ->check(CLI::IsMember({0u, 1u}))
      ->excludes(file)
      ->type_name("0|1")
      ->group(settings);
  app.add_option("--seed", o.seed, "Seed of the sample settings and of every random fault")
      ->capture_default_str()
      ->type_name("N")
      ->group(settings);
  app.add_option("--save-settings", o.saveSettings, "Write the raw settings served to FILE")
      ->type_name("FILE")
      ->group(settings);
  app.add_option("--block-size", o.amplifier.blockSize, "Data bytes per read-slot reply block")
      ->check(CLI::Range(1, static_cast<int>(kMaxReadSlotData)))
      ->capture_default_str()
      ->type_name("N")
      ->group(settings);

  auto* outputs = "Update and restore";
  app.add_option("--image-out", o.loop.imageOut, "Write the received firmware image to FILE")
      ->type_name("FILE")
      ->group(outputs);
  app.add_option("--restore-out", o.loop.restoreOut,
                 "Write the restored slot records to FILE, as they arrive")
      ->type_name("FILE")
      ->group(outputs);
  app.add_option("--message-every", o.amplifier.messageEvery,
                 "Send a device message before every Nth update block's reply")
      ->type_name("N")
      ->group(outputs);
  app.add_option("--message", o.amplifier.messageText, "Text of the device messages")
      ->capture_default_str()
      ->type_name("TEXT")
      ->group(outputs);
  app.add_option_function<std::string>(
         "--store-fault",
         [&o](const std::string& value) {
           StoreFault fault;
           const auto colon = value.find(':');
           fault.slot = static_cast<uint16_t>(std::stoul(value.substr(0, colon)));
           if (colon != std::string::npos) fault.offset = std::stoul(value.substr(colon + 1));
           o.amplifier.storeFault = fault;
         },
         "Store restored slot SLOT wrongly (its data byte at OFFSET, default 0, inverted), so "
         "that reading it back differs from what was restored")
      ->check([](const std::string& value) -> std::string {
        const auto colon = value.find(':');
        const auto digits = [](const std::string& s) {
          return !s.empty() && s.size() <= 9 &&
                 s.find_first_not_of("0123456789") == std::string::npos;
        };
        if (!digits(value.substr(0, colon)) ||
            (colon != std::string::npos && !digits(value.substr(colon + 1))) ||
            std::stoul(value.substr(0, colon)) > 0xFFFF) {
          return "expected SLOT or SLOT:OFFSET (SLOT 0..65535, OFFSET a byte offset)";
        }
        return {};
      })
      ->type_name("SLOT[:OFFSET]")
      ->group(outputs);
  app.add_option("--turnaround-log", o.loop.turnaroundLog,
                 "Per request that follows a reply: microseconds from that reply's last byte "
                 "written to the request's first byte read, one number a line")
      ->type_name("FILE")
      ->group(outputs);

  auto* faults = "Faults (requests counted from 1)";
  app.add_option("--drop-reply", o.faults.dropReplies, "Send no reply to request N (repeatable)")
      ->type_name("N")
      ->group(faults);
  app.add_option("--drop-rate", o.faults.dropRate, "Fraction of replies not sent, by --seed")
      ->check(CLI::Range(0.0, 1.0))
      ->type_name("F")
      ->group(faults);
  app.add_option("--corrupt-checksum", o.faults.corruptChecksums,
                 "Send the reply to request N with a wrong checksum on its last frame (repeatable)")
      ->type_name("N")
      ->group(faults);
  app.add_option("--noise", o.faults.noiseBytes,
                 "Send N random bytes (never DLE) before each reply")
      ->type_name("N")
      ->group(faults);
  app.add_option("--fail-at", o.faults.failAt,
                 "Answer request N with a failure status (repeatable)")
      ->type_name("N")
      ->group(faults);
  app.add_flag("--device-message-fail", o.faults.deviceMessageFail,
               "Send a failing device message with the first update block's reply")
      ->group(faults);
  app.add_option("--delay-ms", o.faults.delayMs, "Wait MS milliseconds before each reply")
      ->type_name("MS")
      ->group(faults);
  app.add_option("--late-reply", o.faults.lateReplies,
                 "Answer request N --late-ms late, reading nothing meanwhile (repeatable)")
      ->type_name("N")
      ->group(faults);
  app.add_option("--late-ms", o.faults.lateMs,
                 "How late --late-reply answers; the default is past the tool's reply timeout")
      ->type_name("MS")
      ->capture_default_str()
      ->group(faults);
  app.add_option("--stop-after", o.faults.stopAfter, "Answer no request after the Nth")
      ->type_name("N")
      ->group(faults);
  app.add_option("--hangup-after", o.faults.hangupAfter,
                 "Close the line and exit after handling request N (1 or more)")
      ->check(CLI::Range(1u, std::numeric_limits<uint32_t>::max()))
      ->type_name("N")
      ->group(faults);
}

}  // namespace q7310::sim
