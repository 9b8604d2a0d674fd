// The amplifier's side of a settings restore: joins the blocks of write-slot requests (0x31)
// into slot records (slot number, length, data; both numbers big-endian), as they will be
// compared with the backup file.
//
// Block 0 opens a record (dropping a record left open, as when the program restarts a slot);
// each further block must carry the open record's slot number and the next block number; the
// block with the end-of-slot flag closes the record and appends it to Records(). The block just
// accepted may arrive again (a resend after a lost reply) and then replaces itself, also when it
// was the block that closed the record. A single-block record sent twice in a row therefore counts
// as one record. A block that fails a check changes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace q7310::sim {

class RestoreReceiver {
 public:
  enum class Result { kAccepted, kRecordClosed, kBadFrame };

  Result Block(std::span<const uint8_t> frame);

  // Closed records back to back.
  const std::vector<uint8_t>& Records() const { return m_records; }
  uint32_t RecordsClosed() const { return m_recordsClosed; }
  bool RecordOpen() const { return m_open.has_value(); }

 private:
  struct OpenRecord {
    uint16_t slot = 0;
    uint32_t nextBlock = 0;
    size_t lastBlockOffset = 0;  // data size before the last accepted block
    std::vector<uint8_t> data;
  };
  struct ClosedRecord {
    uint16_t slot = 0;
    uint32_t lastBlock = 0;
    size_t lastBlockOffset = 0;
    size_t recordStart = 0;  // offset of the record in m_records
  };

  OpenRecord LastClosedAsOpen() const;

  std::optional<OpenRecord> m_open;
  std::optional<ClosedRecord> m_lastClosed;
  std::vector<uint8_t> m_records;
  uint32_t m_recordsClosed = 0;
};

}  // namespace q7310::sim
