#pragma once
// BIFF8 record numbers and bounds-checked little-endian access to record
// data, shared by the workbook reader and writer.

#include "decks/Workbook.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace xls::biff {

enum RecordType : std::uint16_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kProtect = 0x0012,
    kName = 0x0018,
    kNote = 0x001C,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kFont = 0x0031,
    kContinue = 0x003C,
    kWindow1 = 0x003D,
    kCodePage = 0x0042,
    kDefColWidth = 0x0055,
    kObj = 0x005D,
    kColInfo = 0x007D,
    kBoundSheet = 0x0085,
    kPalette = 0x0092,
    kFilterMode = 0x009B,
    kAutoFilterInfo = 0x009D,
    kAutoFilter = 0x009E,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kObjProj = 0x00D3,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kMergeCells = 0x00E5,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kExtSst = 0x00FF,
    kCondFmt = 0x01B0,
    kCf = 0x01B1,
    kDval = 0x01B2,
    kTxo = 0x01B6,
    kHlink = 0x01B8,
    kDv = 0x01BE,
    kDimensions = 0x0200,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kArray = 0x0221,
    kTable = 0x0236,
    kWindow2 = 0x023E,
    kRk = 0x027E,
    kStyle = 0x0293,
    kFormat = 0x041E,
    kShrFmla = 0x04BC,
    kBof = 0x0809,
};

// BOF substream types.
enum SubstreamType : std::uint16_t {
    kGlobals = 0x0005,
    kWorksheet = 0x0010,
    kChart = 0x0020,
    kMacroSheet = 0x0040,
};

inline constexpr std::uint16_t kBiff8Version = 0x0600;
inline constexpr std::uint16_t kBiff5Version = 0x0500;
// Most data bytes one record may carry.
inline constexpr std::size_t kMaxRecordData = 8224;

inline std::uint16_t u16(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t u32(const std::uint8_t *p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
           | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline double f64(const std::uint8_t *p)
{
    std::uint64_t bits = u32(p) | (static_cast<std::uint64_t>(u32(p + 4)) << 32);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// One record's data, read with bounds checks: reading past the end throws.
class Bytes {
public:
    Bytes(const std::uint8_t *data, std::size_t size) : p_(data), n_(size) {}
    std::size_t size() const { return n_; }
    const std::uint8_t *data() const { return p_; }
    void need(std::size_t pos, std::size_t count) const
    {
        if (pos > n_ || count > n_ - pos)
            throw FormatError("the workbook is damaged (a record is too short)");
    }
    std::uint8_t u8(std::size_t pos) const { need(pos, 1); return p_[pos]; }
    std::uint16_t u16(std::size_t pos) const { need(pos, 2); return biff::u16(p_ + pos); }
    std::uint32_t u32(std::size_t pos) const { need(pos, 4); return biff::u32(p_ + pos); }
    double f64(std::size_t pos) const { need(pos, 8); return biff::f64(p_ + pos); }

private:
    const std::uint8_t *p_;
    std::size_t n_;
};

// Decodes an RK number (a compressed double or a 30-bit integer, either
// possibly divided by 100).
inline double rkValue(std::uint32_t rk)
{
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 1) ? v / 100 : v;
}

}  // namespace xls::biff
