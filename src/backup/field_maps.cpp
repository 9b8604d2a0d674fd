// The field maps, as tables. A row names its rule, then target offset, target width and source
// offset (or default bytes); .K(last, target step, source step) repeats it for k = 0..last,
// .J(...) likewise for an outer j.
// A converted section is zero-filled before its map runs, so rows of zero defaults only restate
// the fill; they are kept so that every table reads like the layout it implements.
#include "backup/field_maps.h"

namespace q7310::backup {

constexpr std::array<uint8_t, kHeaderBlockSize> kHeaderDefault = {
    'Q', '-', '7', '3', '1', '0', '_', 'V', '1', '.', '0', '0', 'D', 'a', 't', 'a', 0x00, 0x00};

namespace {

constexpr std::array<uint8_t, 3> kIndexDefault0 = {0x01, 0x08, 0x00};
constexpr std::array<uint8_t, 3> kIndexDefault1 = {0x01, 0x09, 0x00};
constexpr std::array<uint8_t, 1> kSection0Default04 = {0x04};
constexpr std::array<uint8_t, 9> kSection0DefaultOnes = {1, 1, 1, 1, 1, 1, 1, 1, 1};
constexpr std::array<uint8_t, 9> kSection7Entry = {0x01, 0x04, 0x05, 0x02, 0x0A,
                                                   0x00, 0x0A, 0x00, 0x00};

constexpr FieldRow kHeaderRow = Header(0x000, kHeaderBlockSize, 0x000, kHeaderDefault);

// ---- Type 0 ------------------------------------------------------------------------------
constexpr FieldRow kSection0Common[] = {
    kHeaderRow,
    Renumber(0x012, 9, 0x012),  // section-type table
    Index(0x01B, 0x01B, kIndexDefault0),
    Index(0x01E, 0x01C, kIndexDefault1),
    Copy(0x021, 25, 0x01D),
    Copy(0x03A, 2, 0x036),
    Copy(0x03C, 7, 0x038).K(7, 7, 7),
    Copy(0x074, 7, 0x070).K(7, 7, 7),
    Default(0x0AC, 1, kSection0Default04),
    Default(0x0AD, 9, kSection0DefaultOnes),
    Default(0x0B6, 7),
};

constexpr FieldRow kSection0Format0[] = {
    Copy(0x0BD, 5, 0x0A8).K(3, 5, 5),
    Copy(0x0D1, 1, 0x0BC).K(3, 1, 1),
    Copy(0x0D5, 1, 0x0C0),
    Copy(0x0D6, 1, 0x0C1),
    Copy(0x0D7, 1, 0x0C2),
    Widen17To19(0x0D8, 0x0C3).K(32, 19, 17),
    Copy(0x34B, 1, 0x2F4).K(7, 1, 1),
    Copy(0x353, 2, 0x2FC).K(7, 2, 2),
    Copy(0x363, 18, 0x30C).K(7, 18, 18),
    Copy(0x3F3, 2, 0x39C).K(7, 2, 2),
    Copy(0x403, 40, 0x3AC).K(1, 40, 40),
    Default(0x453, 1),
    Default(0x454, 3).K(7, 3, 0),
    Default(0x46C, 5).K(11, 5, 0),
    Default(0x4A8, 4).K(7, 4, 0),
    Copy(0x4C8, 1, 0x3FC),
};

constexpr FieldRow kSection0Format1[] = {
    Copy(0x0BD, 6, 0x0A8).K(3, 6, 6),
    Widen1To3(0x0D5, 0x0C0).K(3, 3, 1),
    Copy(0x0E1, 1, 0x0C4),
    Copy(0x0E2, 1, 0x0C5),
    Copy(0x0E3, 18, 0x0C6),
    Copy(0x0F5, 1, 0x0D8).K(7, 1, 1),
    Default(0x0FD, 6).K(11, 6, 0),
    // 33 entries of 303 bytes (fields 7, 4 x 8, 8 x 3, 8 x 18, 8 x 2, 2 x 40) at the same
    // offsets in source and target: one copy per entry.
    Copy(0x145, 303, 0x0E0).K(32, 303, 303),
    Copy(0x2854, 1, 0x27EF),
};

// ---- Type 1 ------------------------------------------------------------------------------
constexpr FieldRow kSection1Common[] = {kHeaderRow};
constexpr FieldRow kSection1Format0[] = {
    Copy(0x012, 40, 0x012).K(1, 40, 40),
};
// Source byte 0x012 is dropped; everything after it moves one byte down.
constexpr FieldRow kSection1Format1[] = {
    Copy(0x012, 40, 0x013).K(1, 40, 40).J(32, 80, 80),
};

// ---- Type 2 ------------------------------------------------------------------------------
// Each 39-byte source entry is split into a 2-byte head and a 37-byte body; the two heads are
// gathered in front of the two bodies.
constexpr FieldRow kSection2Common[] = {kHeaderRow};
constexpr FieldRow kSection2Format0[] = {
    Copy(0x012, 2, 0x012).K(1, 2, 39),
    Copy(0x016, 37, 0x014).K(1, 37, 39),
    Copy(0x060, 2, 0x060).K(1, 2, 2),
};
// Format 1: 33 records of 84 bytes, source record S = 0x013 + 84j (source byte 0x012 is
// dropped), target record T = 0x012 + 84j.
constexpr uint16_t kS2 = 0x013;
constexpr uint16_t kT2 = 0x012;
constexpr uint16_t kLastRecord2 = 32;
constexpr uint16_t kRecordSize2 = 84;
constexpr FieldRow kSection2Format1[] = {
    Copy(kT2, 2, kS2).K(1, 2, 39).J(kLastRecord2, kRecordSize2, kRecordSize2),
    Copy(kT2 + 4, 37, kS2 + 2).K(1, 37, 39).J(kLastRecord2, kRecordSize2, kRecordSize2),
    Copy(kT2 + 0x4E, 2, kS2 + 0x4E).K(1, 2, 2).J(kLastRecord2, kRecordSize2, kRecordSize2),
    Copy(kT2 + 0x52, 1, kS2 + 0x52).K(1, 1, 1).J(kLastRecord2, kRecordSize2, kRecordSize2),
};

// ---- Type 3 ------------------------------------------------------------------------------
// Source bytes 0x012 to 0x01F, and in format 1 the last 5 bytes of each 8-byte entry, are not
// carried over.
constexpr FieldRow kSection3Common[] = {kHeaderRow};
constexpr FieldRow kSection3Format0[] = {
    Copy(0x020, 3, 0x020),
};
constexpr FieldRow kSection3Format1[] = {
    Copy(0x020, 3, 0x020).K(32, 8, 8),
};

// ---- Type 4 ------------------------------------------------------------------------------
constexpr FieldRow kSection4Common[] = {kHeaderRow};
constexpr FieldRow kSection4Format0[] = {
    Copy(0x020, 5, 0x020).K(7, 8, 8),
    Copy(0x025, 1, 0x025).K(7, 8, 8),
};
constexpr FieldRow kSection4Format1[] = {
    Copy(0x020, 6, 0x020).K(7, 16, 16),
    Widen1To3(0x0A0, 0x0A0).K(7, 16, 16),
};

// ---- Type 7: built from defaults and slot 0's header block; the raw section is not read ----
constexpr FieldRow kSection7Common[] = {
    Slot0Header(0x000, kHeaderBlockSize, kHeaderDefault),
};
constexpr FieldRow kSection7Format0[] = {
    Default(0x012, 2).K(1, 2, 0),
    Default(0x016, 9, kSection7Entry).K(1, 9, 0),
};
constexpr FieldRow kSection7Format1[] = {
    Default(0x012, 2).K(1, 2, 0).J(32, 22, 0),
    Default(0x016, 9, kSection7Entry).K(1, 9, 0).J(32, 22, 0),
};

}  // namespace

const FieldMap kSection0Map = {kSection0Common, kSection0Format0, kSection0Format1};
const FieldMap kSection1Map = {kSection1Common, kSection1Format0, kSection1Format1};
const FieldMap kSection2Map = {kSection2Common, kSection2Format0, kSection2Format1};
const FieldMap kSection3Map = {kSection3Common, kSection3Format0, kSection3Format1};
const FieldMap kSection4Map = {kSection4Common, kSection4Format0, kSection4Format1};
const FieldMap kSection7Map = {kSection7Common, kSection7Format0, kSection7Format1};

}  // namespace q7310::backup
